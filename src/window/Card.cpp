#include "window/Card.h"

#include "window/Icons.h"

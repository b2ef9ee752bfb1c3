#include "window/TextView.h"

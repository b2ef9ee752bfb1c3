#include "window/ButtonStyles.h"

#include "platform/WindowRestoration.h"

#include "platform/MenuBarWindow.h"

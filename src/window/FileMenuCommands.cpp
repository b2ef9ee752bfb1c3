#include "window/FileMenuCommands.h"

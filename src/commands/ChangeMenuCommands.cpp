#include "commands/ChangeMenuCommands.h"

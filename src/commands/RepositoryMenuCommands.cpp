#include "commands/RepositoryMenuCommands.h"

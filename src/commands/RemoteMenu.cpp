#include "commands/RemoteMenu.h"

#include "commands/BookmarkMenu.h"

#include "dialogs/AddBookmarkView.h"

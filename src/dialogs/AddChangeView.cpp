#include "dialogs/AddChangeView.h"

#include "dialogs/CloneView.h"

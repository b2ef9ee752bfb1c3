#include "dialogs/UpdaterView.h"

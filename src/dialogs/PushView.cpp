#include "dialogs/PushView.h"

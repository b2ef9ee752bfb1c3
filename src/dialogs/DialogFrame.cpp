#include "dialogs/DialogFrame.h"

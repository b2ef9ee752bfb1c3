#include "dialogs/AddRemoteView.h"

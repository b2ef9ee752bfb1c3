#include "dialogs/EditDescriptionView.h"

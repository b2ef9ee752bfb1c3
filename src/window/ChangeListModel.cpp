#include "window/ChangeListModel.h"

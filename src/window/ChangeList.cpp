#include "window/ChangeList.h"

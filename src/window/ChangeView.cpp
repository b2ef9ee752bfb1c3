#include "window/ChangeView.h"

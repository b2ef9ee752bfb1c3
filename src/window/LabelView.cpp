#include "window/LabelView.h"

#include "window/DiffView.h"

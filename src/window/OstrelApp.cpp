#include "window/OstrelApp.h"

#include "window/Sidebar.h"

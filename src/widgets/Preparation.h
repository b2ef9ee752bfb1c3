#pragma once

#include <QCoro/QCoroTask>

// Loads what the first repository window would otherwise load while it opens, one piece
// per turn of the event loop: the fonts its views draw with (kept loaded from then on)
// and the icons' image plugin, the threads Qt paints with, and the toolbar's symbols.
// Later calls do nothing.
QCoro::Task<> prepareWindowResources();

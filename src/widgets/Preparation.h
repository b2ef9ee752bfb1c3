#pragma once

#include <QCoro/QCoroTask>

// Loads what the first repository window would otherwise load while it opens, one piece
// per turn of the event loop once a worker has searched the system's fonts and Qt's
// image plugins: the fonts its views draw with (kept loaded from then on), the threads
// Qt paints with, and the toolbar's symbols. Later calls do nothing.
QCoro::Task<> prepareWindowResources();

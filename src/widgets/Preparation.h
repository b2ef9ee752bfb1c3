#pragma once

#include <QCoro/QCoroTask>

// Loads what the first repository window would otherwise load while it opens, one piece
// per turn of the event loop once a worker has searched the system's fonts and Qt's
// image plugins: the fonts its views draw with (kept loaded from then on), the threads
// Qt paints with, and the toolbar's symbols. Later calls do nothing.
QCoro::Task<> prepareWindowResources();

class QWidget;

// Has the system hand over the memory a hidden top-level window will be drawn into, on
// a worker, so that its first paint does not wait while that memory is handed over page
// by page (several megabytes; slow on virtual machines). Sizes the window's drawing
// buffer to the window, where the platform makes the buffer as it is sized (X11 and the
// offscreen platform); elsewhere it does nothing. The window is neither shown nor drawn.
QCoro::Task<> prepareDrawingMemory(QWidget *window);

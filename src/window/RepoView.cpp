#include "window/RepoView.h"

// Placeholder until the window is built.
RepoView::RepoView(RepoController *controller, QWidget *parent)
    : QMainWindow(parent), m_controller(controller)
{
}

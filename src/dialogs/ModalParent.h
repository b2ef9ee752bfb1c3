#pragma once

class QObject;
class QWidget;

namespace platform {

// The window that an alert or a panel about the context is modal to: the window holding
// the context (or the active window when none does), or a dialog of that window that is
// active in front of it, so that the alert is never hidden behind that dialog.
QWidget *modalParent(const QObject *context);

} // namespace platform

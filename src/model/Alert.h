#pragma once

#include <QCoro/QCoroTask>
#include <QString>

#include <functional>

class QObject;

namespace platform {

// A modal alert with a message, an informative text and one default button. The
// awaiting operation resumes once the user has dismissed it. The context names what the
// alert is about (a window's controller, a control of the window); the alert is modal to
// the window that holds it, or to the active window without one.
QCoro::Task<> runModalAlert(QString message, QString informative, const QObject *context = nullptr);

// The error alert that repository operations show for a failed jj run.
QCoro::Task<> showErrorAlert(QString failureText, const QObject *context = nullptr);

using AlertPresenter =
    std::function<QCoro::Task<>(QString message, QString informative, const QObject *context)>;

// The widget layer installs the real dialog; tests install a recorder that answers
// at once. Without a presenter the alert is printed on standard error.
void setAlertPresenter(AlertPresenter presenter);

} // namespace platform

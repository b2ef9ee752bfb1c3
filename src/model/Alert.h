#pragma once

#include <QCoro/QCoroTask>
#include <QString>

#include <functional>

namespace platform {

// A modal alert with a message, an informative text and one default button. The
// awaiting operation resumes once the user has dismissed it.
QCoro::Task<> runModalAlert(QString message, QString informative);

// The error alert that repository operations show for a failed jj run.
QCoro::Task<> showErrorAlert(QString failureText);

using AlertPresenter = std::function<QCoro::Task<>(QString message, QString informative)>;

// The widget layer installs the real dialog; tests install a recorder that answers
// at once. Without a presenter the alert is printed on standard error.
void setAlertPresenter(AlertPresenter presenter);

} // namespace platform

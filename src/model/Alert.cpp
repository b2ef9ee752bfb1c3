#include "model/Alert.h"

#include <cstdio>

namespace platform {

namespace {
AlertPresenter &presenter()
{
    static AlertPresenter p;
    return p;
}
} // namespace

void setAlertPresenter(AlertPresenter p)
{
    presenter() = std::move(p);
}

QCoro::Task<> runModalAlert(QString message, QString informative, const QObject *context)
{
    if (presenter()) {
        // Copy: the presenter may be replaced while the alert is up.
        auto p = presenter();
        co_await p(std::move(message), std::move(informative), context);
        co_return;
    }
    std::fprintf(stderr, "%s: %s\n", qPrintable(message), qPrintable(informative));
}

QCoro::Task<> showErrorAlert(QString failureText, const QObject *context)
{
    co_await runModalAlert(QStringLiteral("Error running command"), std::move(failureText),
                           context);
}

} // namespace platform

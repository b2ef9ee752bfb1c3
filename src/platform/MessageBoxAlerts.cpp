#include "platform/MessageBoxAlerts.h"

#include "platform/Alert.h"

#include <QCoro/QCoroSignal>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>

namespace platform {

void installMessageBoxAlerts()
{
    setAlertPresenter([](QString message, QString informative) -> QCoro::Task<> {
        QPointer<QMessageBox> box = new QMessageBox(QMessageBox::Warning, message, message,
                                                    QMessageBox::Ok);
        box->setTextFormat(Qt::PlainText);
        box->setInformativeText(informative);
        box->setWindowModality(Qt::ApplicationModal);
        box->setAttribute(Qt::WA_DeleteOnClose);
        // Informative texts are jj's output: never read them as markup.
        for (QLabel *label : box->findChildren<QLabel *>())
            label->setTextFormat(Qt::PlainText);
        box->open();
        co_await qCoro(box.data(), &QMessageBox::finished);
    });
}

} // namespace platform

#include "dialogs/MessageBoxAlerts.h"

#include "dialogs/ModalParent.h"
#include "model/Alert.h"

#include <QCoro/QCoroSignal>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>

namespace platform {

void installMessageBoxAlerts()
{
    setAlertPresenter(
        [](QString message, QString informative, const QObject *context) -> QCoro::Task<> {
            // A box without a parent is modal to no window: a click on the window would
            // hide it behind the window while the operation waits on it.
            QPointer<QMessageBox> box = new QMessageBox(QMessageBox::Warning, message, message,
                                                        QMessageBox::Ok, modalParent(context));
            box->setTextFormat(Qt::PlainText);
            box->setInformativeText(informative);
            box->setWindowModality(Qt::WindowModal);
            // Informative texts are jj's output: never read them as markup. They can be
            // selected, so that an error text or a download link can be copied.
            for (QLabel *label : box->findChildren<QLabel *>()) {
                label->setTextFormat(Qt::PlainText);
                label->setTextInteractionFlags(Qt::TextSelectableByMouse);
            }
            box->open();
            // Deleted after the resumption: a box that deleted itself on closing would be
            // gone before the queued resumption reached it, and the alert would never end.
            co_await qCoro(box.data(), &QMessageBox::finished);
            if (box)
                box->deleteLater();
        });
}

} // namespace platform

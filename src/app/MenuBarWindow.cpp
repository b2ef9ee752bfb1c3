#include "app/MenuBarWindow.h"

#include <QCloseEvent>
#include <QLabel>

namespace platform {

MenuBarWindow::MenuBarWindow(QWidget *parent) : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Ostrel"));
    auto *hint = new QLabel(tr("Create or open a repository from the File menu."));
    hint->setTextFormat(Qt::PlainText);
    hint->setAlignment(Qt::AlignCenter);
    hint->setMargin(24);
    hint->setEnabled(false);
    setCentralWidget(hint);
}

void MenuBarWindow::closeEvent(QCloseEvent *event)
{
    QMainWindow::closeEvent(event);
    if (event->isAccepted())
        emit closed();
}

} // namespace platform

#include "dialogs/AddRemoteView.h"

#include "model/RepoController.h"

#include <QLineEdit>

AddRemoteView::AddRemoteView(QPointer<RepoController> controller, QWidget *parent)
    : DialogFrame(tr("Enter new remote information"), tr("Add Remote"), parent),
      m_controller(std::move(controller)), m_name(makeTextField(tr("Remote Name:"))),
      m_location(makeTextField(tr("Remote Location:")))
{
    addInput(m_name);
    addInput(m_location);
}

QCoro::Task<> AddRemoteView::action()
{
    QPointer<AddRemoteView> self(this);
    const QPointer<RepoController> controller = m_controller;
    const QString address = m_location->text();
    const QString name = m_name->text();
    if (controller)
        co_await controller->addCurrentRemote(name, address);
    if (self)
        self->dismiss();
}

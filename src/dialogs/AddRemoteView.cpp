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
    // As typed, untrimmed: a location that is no URL (the empty one among them) adds
    // nothing.
    const QUrl url(m_location->text(), QUrl::StrictMode);
    const QString name = m_name->text();
    if (controller && url.isValid() && !url.isEmpty()) {
        const Remote remote = co_await controller->addRemote(name, url);
        // A failed add has shown its alert and answers with an unnamed remote, which
        // is no remote of the repository.
        if (controller && !remote.name.isEmpty()) {
            controller->modifyRepo([&](Repo &repo) { repo.remotes.append(remote); });
            controller->modifyRepo([&](Repo &repo) { repo.currentRemote = remote; });
        }
    }
    if (self)
        self->dismiss();
}

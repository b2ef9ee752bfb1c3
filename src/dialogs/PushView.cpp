#include "dialogs/PushView.h"

#include "dialogs/BookmarkMenu.h"
#include "dialogs/RemoteMenu.h"
#include "model/RepoController.h"

PushView::PushView(QPointer<RepoController> controller, QWidget *parent)
    : DialogFrame(tr("Choose a bookmark and remote to push your changes."), tr("Push"), parent,
                  Padding::stack),
      m_controller(std::move(controller)), m_bookmarkMenu(new BookmarkMenu(m_controller)),
      m_remoteMenu(new RemoteMenu(m_controller))
{
    addInput(m_bookmarkMenu);
    addInput(m_remoteMenu);
}

QCoro::Task<> PushView::action()
{
    QPointer<PushView> self(this);
    const QPointer<RepoController> controller = m_controller;
    if (controller)
        co_await controller->pushCurrentBookmark();
    if (self)
        self->dismiss();
}

#include "dialogs/PushView.h"

#include "commands/BookmarkMenu.h"
#include "commands/RemoteMenu.h"
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
    co_await push(m_controller);
    if (self)
        self->dismiss();
}

QCoro::Task<> PushView::push(QPointer<RepoController> controller)
{
    if (!controller)
        co_return;
    Repo repo = controller->repo();
    if (!repo.currentBookmark || !repo.currentRemote || repo.changes.size() < 2)
        co_return;
    // The change below the working copy, as the list stands; nothing is reloaded.
    const ChangePtr change = repo.changes.at(1);

    co_await controller->trackBookmark(repo.currentBookmark->name, *repo.currentRemote);
    // The choices are read again as the push is issued. Should either be gone by then
    // (or the window closed), there is nothing sound to push: stop quietly.
    if (!controller)
        co_return;
    repo = controller->repo();
    if (!repo.currentBookmark || !repo.currentRemote)
        co_return;
    co_await controller->push(change, repo.currentBookmark->name, *repo.currentRemote);
}

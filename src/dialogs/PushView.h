#pragma once

#include "dialogs/DialogFrame.h"

#include <QPointer>

class BookmarkMenu;
class RemoteMenu;
class RepoController;

// Picks the current bookmark and remote, then points the bookmark at the change below
// the working copy and pushes it to the remote.
class PushView : public DialogFrame {
    Q_OBJECT

public:
    explicit PushView(QPointer<RepoController> controller, QWidget *parent = nullptr);

    BookmarkMenu *bookmarkMenu() const { return m_bookmarkMenu; }
    RemoteMenu *remoteMenu() const { return m_remoteMenu; }

protected:
    QCoro::Task<> action() override;

private:
    QPointer<RepoController> m_controller;
    BookmarkMenu *m_bookmarkMenu;
    RemoteMenu *m_remoteMenu;
};

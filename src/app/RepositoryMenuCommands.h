#pragma once

#include "app/MenuCommands.h"

// The "Repository" menu: push, pull with a reload of the shown changes, and clone, for
// the active repository window.
class RepositoryMenuCommands : public MenuCommands {
    Q_OBJECT

public:
    explicit RepositoryMenuCommands(QObject *parent = nullptr);

    QAction *pushItem() const { return m_push; }
    QAction *pullItem() const { return m_pull; }
    QAction *cloneItem() const { return m_clone; }

private:
    static QCoro::Task<> pull();

    QAction *m_push;
    QAction *m_pull;
    QAction *m_clone;
};

#pragma once

#include "app/MenuCommands.h"

class AsyncMenuAction;

// The "Change" menu: new change, commit, merge, removal and description editing on the
// active repository window.
class ChangeMenuCommands : public MenuCommands {
    Q_OBJECT

public:
    explicit ChangeMenuCommands(QObject *parent = nullptr);

    QAction *addChangeItem() const { return m_addChange; }
    QAction *commitChangeItem() const { return m_commitChange; }
    QAction *mergeChangesItem() const { return m_mergeChanges; }
    QAction *removeChangeItem() const { return m_removeChange; }
    QAction *editDescriptionItem() const { return m_editDescription; }

private:
    static QCoro::Task<> addChange();
    static QCoro::Task<> mergeChanges();
    static QCoro::Task<> removeChanges();
    void updateRemoveChange();

    QAction *m_addChange;
    QAction *m_commitChange;
    QAction *m_mergeChanges;
    QAction *m_removeChange;
    QAction *m_editDescription;
    AsyncMenuAction *m_removeRunner = nullptr;
};

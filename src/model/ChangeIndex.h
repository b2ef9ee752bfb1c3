#pragma once

#include "model/Change.h"

#include <QList>
#include <QMultiHash>

// Finds listed changes by id, whether jj printed the id in full or shortened.
class ChangeIndex {
public:
    explicit ChangeIndex(const QList<ChangePtr> &changes);

    // The top-most row that names the change, or -1.
    qsizetype find(const QString &changeId) const;
    // The row that names the change and, when a commit is given, that commit too: several
    // rows share the id of a divergent change, and only its commit tells them apart.
    qsizetype find(const QString &changeId, const QString &commitHash) const;
    // The row that shows the record's change: for a divergent one, the row of its commit.
    qsizetype find(const Change &change) const;

private:
    QList<ChangePtr> m_changes;
    QMultiHash<QString, qsizetype> m_rows;
};

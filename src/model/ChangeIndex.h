#pragma once

#include "model/Change.h"

#include <QList>

#include <utility>
#include <vector>

// Finds listed changes by id, whether jj printed the id in full or shortened.
//
// A list may hold 100 000 changes and is looked into mostly once or twice (a selection
// of one, a new working copy), so the first look scans the rows, and only a second one
// sorts them by id; making the index costs no allocation per row.
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
    bool names(qsizetype row, const QString &changeId, const QString &commitHash) const;

    QList<ChangePtr> m_changes;
    // The rows by the first characters of their ids, top-most first among equals; made
    // at the second look.
    mutable std::vector<std::pair<quint64, qsizetype>> m_rows;
    mutable bool m_looked = false;
};

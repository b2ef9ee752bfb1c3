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

private:
    QList<ChangePtr> m_changes;
    QMultiHash<QString, qsizetype> m_rows;
};

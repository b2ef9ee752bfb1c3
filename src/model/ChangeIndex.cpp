#include "model/ChangeIndex.h"

namespace {
// jj prints no id shorter than this, so ids that name one change share it.
QString key(const QString &changeId)
{
    return changeId.left(4);
}
} // namespace

ChangeIndex::ChangeIndex(const QList<ChangePtr> &changes) : m_changes(changes)
{
    m_rows.reserve(changes.size());
    // Inserted bottom up, so the top-most of several candidates comes first.
    for (qsizetype row = changes.size() - 1; row >= 0; --row)
        m_rows.insert(key(changes.at(row)->changeId()), row);
}

qsizetype ChangeIndex::find(const QString &changeId) const
{
    const QList<qsizetype> candidates = m_rows.values(key(changeId));
    for (qsizetype row : candidates)
        if (namesSameChange(m_changes.at(row)->changeId(), changeId))
            return row;
    return -1;
}

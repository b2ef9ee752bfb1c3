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
    return find(changeId, QString());
}

qsizetype ChangeIndex::find(const QString &changeId, const QString &commitHash) const
{
    const QList<qsizetype> candidates = m_rows.values(key(changeId));
    for (qsizetype row : candidates) {
        const Change &listed = *m_changes.at(row);
        if (namesSameChange(listed.changeId(), changeId) &&
            (commitHash.isEmpty() || namesSameChange(listed.commitHash(), commitHash)))
            return row;
    }
    return -1;
}

qsizetype ChangeIndex::find(const Change &change) const
{
    return find(change.changeId(), change.isDivergent() ? change.commitHash() : QString());
}

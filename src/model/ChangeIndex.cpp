#include "model/ChangeIndex.h"

#include <algorithm>

namespace {
// jj prints no id shorter than four characters, so ids that name one change share
// their first four, which fit one number.
quint64 key(const QString &changeId)
{
    quint64 key = 0;
    for (qsizetype i = 0; i < 4; ++i)
        key = key << 16 | (i < changeId.size() ? changeId.at(i).unicode() : 0);
    return key;
}
} // namespace

ChangeIndex::ChangeIndex(const QList<ChangePtr> &changes) : m_changes(changes) {}

bool ChangeIndex::names(qsizetype row, const QString &changeId, const QString &commitHash) const
{
    const Change &listed = *m_changes.at(row);
    return namesSameChange(listed.changeId(), changeId) &&
           (commitHash.isEmpty() || namesSameChange(listed.commitHash(), commitHash));
}

qsizetype ChangeIndex::find(const QString &changeId) const
{
    return find(changeId, QString());
}

qsizetype ChangeIndex::find(const QString &changeId, const QString &commitHash) const
{
    if (!m_looked) {
        m_looked = true;
        for (qsizetype row = 0; row < m_changes.size(); ++row)
            if (names(row, changeId, commitHash))
                return row;
        return -1;
    }
    if (m_rows.empty() && !m_changes.isEmpty()) {
        m_rows.reserve(size_t(m_changes.size()));
        for (qsizetype row = 0; row < m_changes.size(); ++row)
            m_rows.emplace_back(key(m_changes.at(row)->changeId()), row);
        std::sort(m_rows.begin(), m_rows.end());
    }
    const quint64 wanted = key(changeId);
    auto candidate =
        std::lower_bound(m_rows.begin(), m_rows.end(), std::pair<quint64, qsizetype>(wanted, 0));
    for (; candidate != m_rows.end() && candidate->first == wanted; ++candidate)
        if (names(candidate->second, changeId, commitHash))
            return candidate->second;
    return -1;
}

qsizetype ChangeIndex::find(const Change &change) const
{
    return find(change.changeId(), change.isDivergent() ? change.commitHash() : QString());
}

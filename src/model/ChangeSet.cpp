#include "model/ChangeSet.h"

#include <QSet>

namespace {
// Ids are read at the time of the question; canonical forms make equal ids one key.
QString key(const Change &change)
{
    return change.changeId().normalized(QString::NormalizationForm_C);
}
} // namespace

ChangeSet::ChangeSet(std::initializer_list<ChangePtr> changes)
{
    *this = fromList(QList<ChangePtr>(changes));
}

ChangeSet ChangeSet::fromList(const QList<ChangePtr> &changes)
{
    ChangeSet set;
    QSet<QString> seen;
    seen.reserve(changes.size());
    for (const ChangePtr &change : changes) {
        if (!change)
            continue;
        if (!seen.contains(key(*change))) {
            seen.insert(key(*change));
            set.m_items.append(change);
        }
    }
    return set;
}

bool ChangeSet::insert(ChangePtr change)
{
    if (!change || contains(*change))
        return false;
    m_items.append(std::move(change));
    return true;
}

bool ChangeSet::remove(const Change &change)
{
    for (qsizetype i = 0; i < m_items.size(); ++i) {
        if (*m_items[i] == change) {
            m_items.removeAt(i);
            return true;
        }
    }
    return false;
}

bool ChangeSet::contains(const Change &change) const
{
    for (const ChangePtr &item : m_items)
        if (*item == change)
            return true;
    return false;
}

bool operator==(const ChangeSet &a, const ChangeSet &b)
{
    if (a.size() != b.size())
        return false;
    if (a.m_items == b.m_items)
        return true;
    QSet<QString> aKeys;
    QSet<QString> bKeys;
    for (const ChangePtr &c : a.m_items)
        aKeys.insert(key(*c));
    for (const ChangePtr &c : b.m_items)
        bKeys.insert(key(*c));
    for (const ChangePtr &c : a.m_items)
        if (!bKeys.contains(key(*c)))
            return false;
    for (const ChangePtr &c : b.m_items)
        if (!aKeys.contains(key(*c)))
            return false;
    return true;
}

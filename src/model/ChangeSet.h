#pragma once

#include "model/Change.h"

#include <QList>

#include <initializer_list>

// A set of shared change records, unique by change id, iterated in insertion order.
// Membership is decided by the ids the records hold when asked, never by a hash kept
// from insertion, so a record whose id `jj show` rewrites cannot corrupt the set.
class ChangeSet {
public:
    ChangeSet() = default;
    ChangeSet(std::initializer_list<ChangePtr> changes);
    // Keeps the first record of each change id, in list order.
    static ChangeSet fromList(const QList<ChangePtr> &changes);

    // Adds the record unless the set holds one with the same id; says whether it added.
    bool insert(ChangePtr change);
    bool remove(const Change &change);
    bool contains(const Change &change) const;

    qsizetype size() const { return m_items.size(); }
    bool isEmpty() const { return m_items.isEmpty(); }
    // The first element in iteration order, or null.
    ChangePtr first() const { return m_items.isEmpty() ? nullptr : m_items.first(); }
    const QList<ChangePtr> &toList() const { return m_items; }
    auto begin() const { return m_items.cbegin(); }
    auto end() const { return m_items.cend(); }

    // Set equality: the same size, and every member of each found in the other.
    friend bool operator==(const ChangeSet &a, const ChangeSet &b);

private:
    QList<ChangePtr> m_items;
};

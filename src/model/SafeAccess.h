#pragma once

#include <QList>

#include <optional>

// The element at a position, or nothing when the position lies outside the list.
template<typename T> std::optional<T> elementAt(const QList<T> &list, qsizetype index)
{
    if (index < 0 || index >= list.size())
        return std::nullopt;
    return list.at(index);
}

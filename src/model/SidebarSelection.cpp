#include "model/SidebarSelection.h"

#include <QHashFunctions>

size_t qHash(const SidebarSelection &selection, size_t seed)
{
    QtPrivate::QHashCombine combine;
    if (selection.isChange()) {
        seed = combine(seed, 0);
        return combine(seed, static_cast<int>(selection.category()));
    }
    seed = combine(seed, 1);
    return qHash(selection.bookmarkValue(), seed);
}

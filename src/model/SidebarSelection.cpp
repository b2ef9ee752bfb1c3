#include "model/SidebarSelection.h"

#include <QHashFunctions>

size_t qHash(const SidebarSelection &selection, size_t seed)
{
    if (selection.isChange())
        return qHashMulti(seed, 0, static_cast<int>(selection.category()));
    return qHash(selection.bookmarkValue(), qHashMulti(seed, 1));
}

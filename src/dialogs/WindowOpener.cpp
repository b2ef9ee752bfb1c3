#include "dialogs/WindowOpener.h"

namespace {
RepositoryWindowOpener &opener()
{
    static RepositoryWindowOpener installed;
    return installed;
}
} // namespace

void setRepositoryWindowOpener(RepositoryWindowOpener opener)
{
    ::opener() = std::move(opener);
}

void openRepositoryWindow(const QUrl &folder)
{
    if (opener())
        opener()(folder);
}

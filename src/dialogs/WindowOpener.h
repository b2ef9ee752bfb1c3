#pragma once

#include <QUrl>

#include <functional>

// Opens a repository window for a folder. The windows lie above the dialogs, so the
// application installs the opener at start-up (tests a recorder); while none is
// installed nothing opens.
void openRepositoryWindow(const QUrl &folder);

using RepositoryWindowOpener = std::function<void(const QUrl &folder)>;
void setRepositoryWindowOpener(RepositoryWindowOpener opener);

#pragma once

// Mirrors the view into the colocated git repository: bookmarks as branches,
// remote bookmarks as remote-tracking refs, HEAD on the working copy's parent,
// and keep-refs on the visible heads so `git gc` never drops them.

#include "Repo.h"

namespace jj {

void exportToGit(Repo &repo, const RepoState &before, bool workingCopyMoved);

// Sets refs/<name> to `target`, clearing a lock file a killed process left behind.
void setGitRef(Repo &repo, const std::string &name, const Oid &target);

bool isValidBookmarkName(const std::string &name);

} // namespace jj

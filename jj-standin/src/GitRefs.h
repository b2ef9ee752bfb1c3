#pragma once

// Mirrors the view into the colocated git repository: bookmarks as branches,
// remote bookmarks as remote-tracking refs, HEAD on the working copy's parent,
// and keep-refs on the visible heads so `git gc` never drops them.

#include "Repo.h"

#include <functional>
#include <string>

namespace jj {

void exportToGit(Repo &repo, const RepoState &before, bool workingCopyMoved);

// Sets refs/<name> to `target`, clearing a lock file a killed process left behind.
void setGitRef(Repo &repo, const std::string &name, const Oid &target);

bool isValidBookmarkName(const std::string &name);

// Calls `visit` with the name and target of every direct reference matching
// `glob` (e.g. "refs/remotes/origin/*"); symbolic ones are skipped.
void forEachDirectReference(
    Repo &repo, const char *glob,
    const std::function<void(const std::string &name, const Oid &target)> &visit);

} // namespace jj

#pragma once

// A commit's changes, rendered as git's patch format (`diff --git`) or as the
// line-numbered default layout `show` prints (color-words, without colour).

#include "Repo.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace jj {

struct FileSide {
    Oid blob;
    uint32_t mode = 0; // git file mode: 0100644, 0100755, 0120000, 0160000
};

struct FileChange {
    std::string source; // path before
    std::string target; // path after
    std::optional<FileSide> before;
    std::optional<FileSide> after;
    bool copied = false;
    bool renamed = false;
};

// Changes from `from` to `to`, renames and copies detected, ordered by path.
std::vector<FileChange> diffTrees(Repo &repo, const Oid &from, const Oid &to);

std::string renderGitDiff(Repo &repo, const std::vector<FileChange> &changes, size_t context = 3);

// `displayPath` turns a repository path into the path shown (relative to the
// directory the command ran in).
std::string renderColorWords(Repo &repo, const std::vector<FileChange> &changes,
                             const std::function<std::string(const std::string &)> &displayPath,
                             size_t context = 3);

} // namespace jj

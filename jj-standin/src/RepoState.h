#pragma once

// The repository's current view: the working-copy commit, the visible heads,
// the bookmarks and what we know of the remotes' bookmarks. One small file,
// replaced atomically, so a command killed at any point leaves either the old
// view or the new one.

#include "Git.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace jj {

struct RemoteRef {
    std::optional<Oid> target; // absent: tracked, but not on the remote (yet)
    bool tracked = false;
};

struct RepoState {
    uint64_t idCounter = 0;
    Oid workingCopy;
    std::vector<Oid> heads;
    std::map<std::string, Oid> bookmarks;
    // bookmark name -> remote name -> what the remote had when we last looked
    std::map<std::string, std::map<std::string, RemoteRef>> remoteBookmarks;

    static RepoState load(const std::filesystem::path &file);
    void save(const std::filesystem::path &file) const;
};

// Writes `data` to a temporary file beside `file` and renames it into place.
void writeFileAtomically(const std::filesystem::path &file, const std::string &data);

} // namespace jj

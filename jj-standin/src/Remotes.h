#pragma once

// Talking to git remotes through libgit2: fetch, default branch, push; and
// bringing what a remote has into the view.

#include "Repo.h"

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace jj {

// Local paths become absolute (resolved against `cwd`); URLs stay as written.
std::string absoluteGitUrl(const std::filesystem::path &cwd, const std::string &source);
// The directory a local URL or path names; nothing for network URLs.
std::optional<std::filesystem::path> localRepositoryPath(const std::string &url);
bool isGitRepository(const std::filesystem::path &path);

bool remoteExists(Repo &repo, const std::string &name);
// The names of the repository's git remotes, sorted.
std::vector<std::string> remoteNames(Repo &repo);
// Fetches every branch of `remote`; returns the branches it has now.
std::map<std::string, Oid> fetchRemote(Repo &repo, const std::string &remote);
// The branch the remote's HEAD names, e.g. "main".
std::optional<std::string> remoteDefaultBranch(Repo &repo, const std::string &remote);
// Pushes `target` (or a deletion) to refs/heads/<bookmark>, refusing when the
// remote no longer has `expected` there.
void pushBookmark(Repo &repo, const std::string &remote, const std::string &bookmark,
                  const std::optional<Oid> &expected, const std::optional<Oid> &target);

struct RemoteRefChange {
    std::string name;
    std::string remote;
    std::optional<Oid> before;
    std::optional<Oid> after;
    bool tracked = false;
};

// Records what `remote` has now in the view (tracked local bookmarks follow),
// importing the new commits. Returns what changed.
std::vector<RemoteRefChange> importRemoteBranches(Repo &repo, const std::string &remote,
                                                  const std::map<std::string, Oid> &branches);
// The "bookmark: name@remote [new] tracked" lines, aligned.
std::string formatImportedRefs(std::vector<RemoteRefChange> changes, const RepoState &state);

} // namespace jj

#include "Remotes.h"

#include "Error.h"
#include "GitRefs.h"

#include <algorithm>

namespace fs = std::filesystem;

namespace jj {

namespace {

RemotePtr lookupRemote(Repo &repo, const std::string &name)
{
    git_remote *raw = nullptr;
    if (git_remote_lookup(&raw, repo.git(), name.c_str()) < 0) {
        git_error_clear();
        throw UserError("No git remote named '" + name + "'");
    }
    return RemotePtr(raw);
}

bool hasScheme(const std::string &url)
{
    auto colon = url.find("://");
    return colon != std::string::npos && colon > 0 &&
           std::all_of(url.begin(), url.begin() + static_cast<long>(colon), [](char c) {
               return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' ||
                      c == '.';
           });
}

// user@host:path, as ssh URLs are often written.
bool isScpLike(const std::string &url)
{
    auto colon = url.find(':');
    auto slash = url.find('/');
    return colon != std::string::npos && colon > 1 && (slash == std::string::npos || colon < slash);
}

std::string percentDecode(const std::string &text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() &&
            std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::map<std::string, Oid> remoteTrackingRefs(Repo &repo, const std::string &remote)
{
    std::map<std::string, Oid> out;
    const std::string prefix = "refs/remotes/" + remote + "/";
    forEachDirectReference(repo, (prefix + "*").c_str(),
                           [&](const std::string &name, const Oid &target) {
                               std::string branch = name.substr(prefix.size());
                               if (branch != "HEAD")
                                   out[branch] = target;
                           });
    return out;
}

int recordRejection(const char *refname, const char *status, void *payload)
{
    if (status)
        static_cast<std::vector<std::string> *>(payload)->push_back(std::string(refname) +
                                                                    " (reason: " + status + ")");
    return 0;
}

} // namespace

std::string absoluteGitUrl(const fs::path &cwd, const std::string &source)
{
    if (hasScheme(source) || isScpLike(source))
        return source;
    fs::path p(source);
    if (p.is_relative())
        p = cwd / p;
    std::string out = p.lexically_normal().string();
    while (out.size() > 1 && out.back() == '/')
        out.pop_back();
    return out;
}

std::optional<fs::path> localRepositoryPath(const std::string &url)
{
    if (url.rfind("file://", 0) == 0)
        return fs::path(percentDecode(url.substr(7)));
    if (hasScheme(url) || isScpLike(url))
        return std::nullopt;
    return fs::path(url);
}

bool isGitRepository(const fs::path &path)
{
    git_repository *raw = nullptr;
    if (git_repository_open_ext(&raw, path.c_str(), GIT_REPOSITORY_OPEN_NO_SEARCH, nullptr) < 0) {
        git_error_clear();
        return false;
    }
    git_repository_free(raw);
    return true;
}

bool remoteExists(Repo &repo, const std::string &name)
{
    git_remote *raw = nullptr;
    if (git_remote_lookup(&raw, repo.git(), name.c_str()) < 0) {
        git_error_clear();
        return false;
    }
    git_remote_free(raw);
    return true;
}

std::vector<std::string> remoteNames(Repo &repo)
{
    GitStrArray names;
    gitCheck(git_remote_list(&names.array, repo.git()), "cannot list remotes");
    std::vector<std::string> sorted(names.array.strings, names.array.strings + names.array.count);
    std::sort(sorted.begin(), sorted.end());
    return sorted;
}

std::map<std::string, Oid> fetchRemote(Repo &repo, const std::string &remoteName)
{
    RemotePtr remote = lookupRemote(repo, remoteName);
    std::string refspec = "+refs/heads/*:refs/remotes/" + remoteName + "/*";
    char *refspecList[] = {refspec.data()};
    git_strarray refspecs{refspecList, 1};
    git_fetch_options opts = GIT_FETCH_OPTIONS_INIT;
    opts.prune = GIT_FETCH_PRUNE;
    opts.download_tags = GIT_REMOTE_DOWNLOAD_TAGS_NONE;
    if (git_remote_fetch(remote.get(), &refspecs, &opts, nullptr) < 0)
        throw UserError(gitLastError());
    return remoteTrackingRefs(repo, remoteName);
}

std::optional<std::string> remoteDefaultBranch(Repo &repo, const std::string &remoteName)
{
    RemotePtr remote = lookupRemote(repo, remoteName);
    git_remote_callbacks callbacks = GIT_REMOTE_CALLBACKS_INIT;
    if (git_remote_connect(remote.get(), GIT_DIRECTION_FETCH, &callbacks, nullptr, nullptr) < 0) {
        git_error_clear();
        return std::nullopt;
    }
    GitBuf buf;
    int rc = git_remote_default_branch(&buf.buf, remote.get());
    git_remote_disconnect(remote.get());
    if (rc < 0) {
        git_error_clear();
        return std::nullopt;
    }
    std::string ref = buf.str();
    const std::string prefix = "refs/heads/";
    if (ref.rfind(prefix, 0) != 0)
        return std::nullopt;
    return ref.substr(prefix.size());
}

void pushBookmark(Repo &repo, const std::string &remoteName, const std::string &bookmark,
                  const std::optional<Oid> &expected, const std::optional<Oid> &target)
{
    RemotePtr remote = lookupRemote(repo, remoteName);
    const std::string refName = "refs/heads/" + bookmark;
    // Force-with-lease: the remote must still have what we last saw there.
    {
        git_remote_callbacks callbacks = GIT_REMOTE_CALLBACKS_INIT;
        if (git_remote_connect(remote.get(), GIT_DIRECTION_FETCH, &callbacks, nullptr, nullptr) < 0)
            throw UserError(gitLastError());
        const git_remote_head **heads = nullptr;
        size_t count = 0;
        std::optional<Oid> actual;
        if (git_remote_ls(&heads, &count, remote.get()) == 0)
            for (size_t i = 0; i < count; ++i)
                if (refName == heads[i]->name)
                    actual = Oid(heads[i]->oid);
        git_remote_disconnect(remote.get());
        if (actual != expected)
            throw UserError("Failed to push some bookmarks",
                            {"The following references unexpectedly moved on the remote:\n  " +
                                 refName + " (reason: stale info)",
                             "Try fetching from the remote, then make the bookmark point to where "
                             "you want it to "
                             "be, and push again."});
    }
    std::string refspec;
    if (target) {
        setGitRef(repo, refName, *target);
        refspec = "+" + refName + ":" + refName;
    } else {
        refspec = ":" + refName;
    }
    char *refspecList[] = {refspec.data()};
    git_strarray refspecs{refspecList, 1};
    std::vector<std::string> rejected;
    git_push_options opts = GIT_PUSH_OPTIONS_INIT;
    opts.callbacks.push_update_reference = recordRejection;
    opts.callbacks.payload = &rejected;
    if (git_remote_push(remote.get(), &refspecs, &opts) < 0)
        throw UserError("Failed to push some bookmarks", {gitLastError()});
    if (!rejected.empty()) {
        std::string list;
        for (const auto &r : rejected)
            list += "\n  " + r;
        throw UserError("Failed to push some bookmarks",
                        {"The remote rejected the following updates:" + list,
                         "Try checking if you have permission to push to all the bookmarks."});
    }
}

std::vector<RemoteRefChange> importRemoteBranches(Repo &repo, const std::string &remote,
                                                  const std::map<std::string, Oid> &branches)
{
    RepoState &state = repo.state();
    std::vector<std::string> names;
    for (const auto &[name, remotes] : state.remoteBookmarks)
        if (remotes.count(remote))
            names.push_back(name);
    for (const auto &[name, id] : branches)
        names.push_back(name);
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());

    std::vector<RemoteRefChange> changes;
    for (const auto &name : names) {
        RemoteRef &entry = state.remoteBookmarks[name][remote];
        std::optional<Oid> now;
        if (auto it = branches.find(name); it != branches.end())
            now = it->second;
        if (entry.target == now) {
            if (!entry.target && !entry.tracked)
                state.remoteBookmarks[name].erase(remote);
            continue;
        }
        if (now)
            repo.importFromGit(*now);
        if (entry.tracked) {
            // A local bookmark that still agrees with the remote follows it;
            // one moved locally keeps its place.
            auto local = state.bookmarks.find(name);
            std::optional<Oid> localTarget;
            if (local != state.bookmarks.end())
                localTarget = local->second;
            if (localTarget == entry.target) {
                if (now)
                    state.bookmarks[name] = *now;
                else if (local != state.bookmarks.end())
                    state.bookmarks.erase(local);
            }
        }
        changes.push_back({name, remote, entry.target, now, entry.tracked});
        if (now) {
            entry.target = now;
        } else {
            state.remoteBookmarks[name].erase(remote);
        }
        if (state.remoteBookmarks[name].empty())
            state.remoteBookmarks.erase(name);
    }
    repo.viewChanged();
    return changes;
}

std::string formatImportedRefs(std::vector<RemoteRefChange> changes, const RepoState &state)
{
    std::sort(changes.begin(), changes.end(),
              [](const RemoteRefChange &a, const RemoteRefChange &b) {
                  return std::tie(a.name, a.remote) < std::tie(b.name, b.remote);
              });
    size_t width = 0;
    for (const auto &c : changes)
        width = std::max(width, c.name.size() + 1 + c.remote.size());
    std::string out;
    for (const auto &c : changes) {
        std::string symbol = c.name + "@" + c.remote;
        symbol.resize(width, ' ');
        bool tracked = c.tracked;
        if (auto byName = state.remoteBookmarks.find(c.name); byName != state.remoteBookmarks.end())
            if (auto ref = byName->second.find(c.remote); ref != byName->second.end())
                tracked = ref->second.tracked;
        const char *status = !c.before ? "new" : (!c.after ? "deleted" : "updated");
        out += "bookmark: " + symbol + " [" + status + "] " + (tracked ? "tracked" : "untracked") +
               "\n";
    }
    return out;
}

} // namespace jj

// Commands that only read: log, show, diff, bookmark list, git remote list.
// Each snapshots first (which may record edits into @) and then drops the lock,
// since everything it prints comes from immutable objects already in memory.

#include "Commands.h"
#include "DiffFormat.h"
#include "Error.h"
#include "Remotes.h"
#include "Revset.h"
#include "Templates.h"

#include <algorithm>

namespace jj {

int runLog(const cli::Log &cmd, Context &ctx)
{
    auto repo = openWorkspace(ctx);
    Revsets revsets(*repo);
    std::vector<Pos> commits =
        cmd.revisions ? revsets.evaluate(*cmd.revisions) : revsets.defaultLog();
    repo->unlock();
    Templates templates(*repo);
    for (Pos p : commits)
        ctx.out += templates.logEntry(p);
    return 0;
}

int runShow(const cli::Show &cmd, Context &ctx)
{
    auto repo = openWorkspace(ctx);
    Pos target = Revsets(*repo).single(cmd.revision);
    repo->unlock();
    Templates templates(*repo);
    const CommitRecord &c = repo->commit(target);
    ctx.out += templates.showHeader(target);
    auto changes = diffTrees(*repo, repo->parentsTree(c.parents), c.tree);
    ctx.out += renderColorWords(*repo, changes,
                                [&](const std::string &p) { return displayPath(ctx, *repo, p); });
    return 0;
}

int runDiff(const cli::Diff &cmd, Context &ctx)
{
    auto repo = openWorkspace(ctx);
    Pos target = Revsets(*repo).single(cmd.revision);
    repo->unlock();
    const CommitRecord &c = repo->commit(target);
    ctx.out += renderGitDiff(*repo, diffTrees(*repo, repo->parentsTree(c.parents), c.tree));
    return 0;
}

int runBookmarkList(const cli::BookmarkList &, Context &ctx)
{
    auto repo = openWorkspace(ctx);
    repo->unlock();
    Templates templates(*repo);
    ctx.out += templates.bookmarkList();
    const RepoState &state = repo->state();
    for (const auto &[name, remotes] : state.remoteBookmarks) {
        if (state.bookmarks.count(name))
            continue;
        bool tracked = std::any_of(remotes.begin(), remotes.end(),
                                   [](const auto &r) { return r.second.tracked; });
        if (tracked) {
            ctx.err +=
                "Hint: Bookmarks marked as deleted can be *deleted permanently* on the remote by "
                "running "
                "`jj git push --deleted`. Use `jj bookmark forget` if you don't want that.\n";
            break;
        }
    }
    return 0;
}

int runRemoteList(const cli::RemoteList &, Context &ctx)
{
    auto repo = openWorkspace(ctx);
    for (const auto &name : remoteNames(*repo)) {
        git_remote *raw = nullptr;
        if (git_remote_lookup(&raw, repo->git(), name.c_str()) < 0) {
            git_error_clear();
            continue;
        }
        RemotePtr remote(raw);
        const char *url = git_remote_url(remote.get());
        ctx.out += name + " " + (url ? url : "<no URL>") + "\n";
    }
    return 0;
}

} // namespace jj

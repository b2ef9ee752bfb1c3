// bookmark create / set / track.

#include "Commands.h"
#include "Error.h"
#include "GitRefs.h"
#include "Remotes.h"
#include "Revset.h"
#include "Templates.h"

namespace jj {

namespace {

void requireValidName(const std::string &name)
{
    if (!isValidBookmarkName(name))
        throw UsageError("invalid value '" + name +
                         "' for '<NAMES>...': Failed to parse bookmark name: Syntax error");
}

bool hasTrackedRemotes(const RepoState &state, const std::string &name)
{
    auto it = state.remoteBookmarks.find(name);
    if (it == state.remoteBookmarks.end())
        return false;
    for (const auto &[remote, ref] : it->second)
        if (ref.tracked)
            return true;
    return false;
}

} // namespace

int runBookmarkCreate(const cli::BookmarkCreate &cmd, Context &ctx)
{
    requireValidName(cmd.name);
    auto repo = openWorkspace(ctx);
    RepoState &state = repo->state();
    if (state.bookmarks.count(cmd.name))
        throw UserError("Bookmark already exists: " + cmd.name,
                        {"Use `jj bookmark set` to update it."});
    if (hasTrackedRemotes(state, cmd.name))
        throw UserError("Tracked remote bookmarks exist for deleted bookmark: " + cmd.name,
                        {"Use `jj bookmark set` to recreate the local bookmark. Run `jj bookmark "
                         "untrack 'glob:" +
                         cmd.name + "@*'` to disassociate them."});
    Pos target = repo->workingCopyPos();
    Transaction tx(*repo);
    if (repo->commit(target).empty)
        ctx.err += "Warning: Target revision is empty.\n";
    state.bookmarks[cmd.name] = repo->commit(target).id;
    repo->viewChanged();
    ctx.err += "Created 1 bookmarks pointing to " + Templates(*repo).summary(target) + "\n";
    reportFinish(ctx, *repo, tx.finish());
    return 0;
}

int runBookmarkSet(const cli::BookmarkSet &cmd, Context &ctx)
{
    requireValidName(cmd.name);
    auto repo = openWorkspace(ctx);
    Pos target = Revsets(*repo).single(cmd.revision);
    RepoState &state = repo->state();
    auto old = state.bookmarks.find(cmd.name);
    bool created = old == state.bookmarks.end() && !hasTrackedRemotes(state, cmd.name);
    bool moved =
        !created && (old == state.bookmarks.end() || old->second != repo->commit(target).id);
    Transaction tx(*repo);
    if (repo->commit(target).empty)
        ctx.err += "Warning: Target revision is empty.\n";
    state.bookmarks[cmd.name] = repo->commit(target).id;
    repo->viewChanged();
    if (created)
        ctx.err += "Created 1 bookmarks pointing to " + Templates(*repo).summary(target) + "\n";
    if (moved)
        ctx.err += "Moved 1 bookmarks to " + Templates(*repo).summary(target) + "\n";
    reportFinish(ctx, *repo, tx.finish());
    return 0;
}

int runBookmarkTrack(const cli::BookmarkTrack &cmd, Context &ctx)
{
    auto repo = openWorkspace(ctx);
    RepoState &state = repo->state();
    const std::string symbol = cmd.name + "@" + cmd.remote;
    Transaction tx(*repo);
    bool started = false;
    auto byName = state.remoteBookmarks.find(cmd.name);
    RemoteRef *existing = nullptr;
    if (byName != state.remoteBookmarks.end()) {
        auto ref = byName->second.find(cmd.remote);
        if (ref != byName->second.end())
            existing = &ref->second;
    }
    if (existing && existing->tracked) {
        ctx.err += "Warning: Remote bookmark already tracked: " + symbol + "\n";
    } else if (existing && existing->target) {
        existing->tracked = true;
        // The local bookmark follows the remote one it now tracks.
        if (!state.bookmarks.count(cmd.name))
            state.bookmarks[cmd.name] = *existing->target;
        started = true;
    } else if (state.bookmarks.count(cmd.name) && remoteExists(*repo, cmd.remote)) {
        // Not on the remote yet: tracked now, created there by the next push.
        state.remoteBookmarks[cmd.name][cmd.remote] = RemoteRef{std::nullopt, true};
        started = true;
    } else {
        ctx.err += "Warning: No matching remote bookmarks for names: " + symbol + "\n";
    }
    repo->viewChanged();
    if (started)
        ctx.err += "Started tracking 1 remote bookmarks.\n";
    reportFinish(ctx, *repo, tx.finish());
    return 0;
}

} // namespace jj

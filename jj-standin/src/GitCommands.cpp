// git init / remote add / push / fetch / clone.

#include "Commands.h"
#include "Error.h"
#include "GitRefs.h"
#include "Remotes.h"
#include "Templates.h"
#include "WorkingCopy.h"

#include <algorithm>

namespace fs = std::filesystem;

namespace jj {

namespace {

// The first view of a workspace Repo::create just made: empty, or, over an
// existing git repository, its branches as bookmarks and its remote branches as
// remote bookmarks. Returns the commit @ will start on (git's HEAD, or the root).
Pos startWorkspace(Repo &repo, Context &ctx, bool existingGit)
{
    RepoState state;
    repo.setInitialState(state);
    if (!existingGit)
        return 0;
    bool imported = false;
    forEachDirectReference(repo, "refs/*", [&](const std::string &name, const Oid &target) {
        git_commit *rawCommit = nullptr;
        if (git_commit_lookup(&rawCommit, repo.git(), target.get()) < 0) {
            git_error_clear();
            return; // a tag or something else that is not a commit
        }
        git_commit_free(rawCommit);
        if (name.rfind("refs/heads/", 0) == 0) {
            repo.importFromGit(target);
            state.bookmarks[name.substr(11)] = target;
            imported = true;
        } else if (name.rfind("refs/remotes/", 0) == 0) {
            std::string rest = name.substr(13);
            auto slash = rest.find('/');
            if (slash == std::string::npos || rest.substr(slash + 1) == "HEAD")
                return;
            repo.importFromGit(target);
            state.remoteBookmarks[rest.substr(slash + 1)][rest.substr(0, slash)] =
                RemoteRef{target, false};
            imported = true;
        }
    });
    repo.setInitialState(state);
    Pos base = 0;
    Oid head;
    if (git_reference_name_to_id(head.out(), repo.git(), "HEAD") == 0)
        base = repo.importFromGit(head);
    git_error_clear();
    if (imported)
        ctx.err += "Done importing changes from the underlying Git repo.\n";
    return base;
}

// Gives the new workspace its working-copy change on `base` and writes the
// first view. Returns the working-copy commit.
Pos completeWorkspace(Repo &repo, Pos base)
{
    Signature now = repo.signatureNow();
    // Drawn only now, so the id avoids every change id imported so far.
    Pos wc = repo.writeCommit({base}, repo.commit(base).tree, "", repo.newChangeId(), now, now);
    RepoState &state = repo.state();
    state.workingCopy = repo.commit(wc).id;
    state.heads = {state.workingCopy};
    repo.viewChanged();
    repo.index().appendNew(repo.layout().indexFile());
    state.save(repo.layout().stateFile());
    return wc;
}

std::string shortHash(const Oid &id)
{
    return id.hex().substr(0, 12);
}

bool isEmptyDirectory(const fs::path &p)
{
    std::error_code ec;
    return fs::is_directory(p, ec) && fs::is_empty(p, ec);
}

} // namespace

int runGitInit(const cli::GitInit &cmd, Context &ctx)
{
    fs::path target = fs::path(cmd.destination).is_absolute() ? fs::path(cmd.destination)
                                                              : ctx.cwd / cmd.destination;
    target = target.lexically_normal();
    std::error_code ec;
    if (fs::exists(target / ".jj", ec))
        throw UserError("The target repo already exists");
    fs::create_directories(target, ec);
    if (ec || !fs::is_directory(target))
        throw UserError("Failed to create workspace",
                        {"Cannot create " + target.string() + ": " + ec.message()});
    {
        fs::path root = fs::canonical(target);
        bool existingGit = fs::exists(root / ".git");
        auto repo = Repo::create(root);
        Pos wc = completeWorkspace(*repo, startWorkspace(*repo, ctx, existingGit));
        if (existingGit)
            repo->workingCopy().adoptFiles(wc); // the files are git's checkout, edits included
        else
            repo->workingCopy().recordCheckout(wc, emptyTreeId());
        repo->publish();
        exportToGit(*repo, RepoState{}, false);
    }
    fs::path cwd = fs::weakly_canonical(ctx.cwd, ec);
    fs::path shown = fs::canonical(target);
    auto rel = shown.lexically_relative(cwd);
    std::string relText = rel.string();
    if (!rel.empty() && relText.rfind("..", 0) != 0)
        shown = rel;
    ctx.err += "Initialized repo in \"" + shown.string() + "\"\n";
    return 0;
}

int runRemoteAdd(const cli::RemoteAdd &cmd, Context &ctx)
{
    auto repo = openWorkspace(ctx);
    if (cmd.name == "git")
        throw UserError("Git remote named 'git' is reserved for local Git repository");
    if (remoteExists(*repo, cmd.name))
        throw UserError("Git remote named '" + cmd.name + "' already exists");
    int valid = 0;
    if (git_remote_name_is_valid(&valid, cmd.name.c_str()) < 0 || !valid)
        throw UserError("Git remote named '" + cmd.name + "' is not a valid remote name");
    git_remote *raw = nullptr;
    std::string url = absoluteGitUrl(ctx.cwd, cmd.url);
    if (git_remote_create(&raw, repo->git(), cmd.name.c_str(), url.c_str()) < 0)
        throw UserError(gitLastError());
    git_remote_free(raw);
    return 0;
}

int runFetch(const cli::Fetch &, Context &ctx)
{
    auto repo = openWorkspace(ctx);
    std::vector<std::string> remotes = remoteNames(*repo);
    if (remotes.empty())
        throw UserError("No git remotes to fetch from");
    Transaction tx(*repo);
    std::vector<RemoteRefChange> changes;
    for (const auto &remote : remotes) {
        auto branches = fetchRemote(*repo, remote);
        auto more = importRemoteBranches(*repo, remote, branches);
        changes.insert(changes.end(), more.begin(), more.end());
    }
    ctx.err += formatImportedRefs(changes, repo->state());
    reportFinish(ctx, *repo, tx.finish());
    return 0;
}

int runPush(const cli::Push &cmd, Context &ctx)
{
    auto repo = openWorkspace(ctx);
    if (!remoteExists(*repo, cmd.remote))
        throw UserError("No git remote named '" + cmd.remote + "'");
    RepoState &state = repo->state();
    std::optional<Oid> local;
    if (auto it = state.bookmarks.find(cmd.bookmark); it != state.bookmarks.end())
        local = it->second;
    RemoteRef remoteRef;
    bool hasEntry = false;
    if (auto byName = state.remoteBookmarks.find(cmd.bookmark);
        byName != state.remoteBookmarks.end())
        if (auto ref = byName->second.find(cmd.remote); ref != byName->second.end()) {
            remoteRef = ref->second;
            hasEntry = true;
        }
    const std::string symbol = cmd.bookmark + "@" + cmd.remote;
    if (!local && !(hasEntry && remoteRef.target)) {
        ctx.err +=
            "Warning: No matching bookmarks for names: " + cmd.bookmark + "\nNothing changed.\n";
        return 0;
    }
    if (hasEntry && remoteRef.target && !remoteRef.tracked)
        throw UserError("Non-tracking remote bookmark " + symbol + " exists",
                        {"Run `jj bookmark track " + symbol + "` to import the remote bookmark."});
    if (local == remoteRef.target) {
        ctx.err +=
            "Bookmark " + symbol + " already matches " + cmd.bookmark + "\nNothing changed.\n";
        return 0;
    }

    if (local && local->isZero())
        throw UserError("Won't push the root commit 000000000000");
    // Refuse commits a remote should not get, newest first, as the real tool does.
    if (local) {
        Pos tip = repo->require(*local);
        auto shared = repo->ancestorsOf(repo->immutableHeads());
        auto mine = repo->ancestorsOf({tip});
        Templates templates(*repo);
        for (size_t i = mine.size(); i-- > 1;) {
            if (!mine[i] || shared[i])
                continue;
            const CommitRecord &c = repo->commit(static_cast<Pos>(i));
            std::vector<std::string> reasons;
            if (c.description.empty())
                reasons.push_back("it has no description");
            if (c.author.name.empty() || c.author.email.empty() || c.committer.name.empty() ||
                c.committer.email.empty())
                reasons.push_back("it has no author and/or committer set");
            if (!reasons.empty()) {
                std::string why;
                for (const auto &r : reasons)
                    why += (why.empty() ? "" : " and ") + r;
                throw UserError("Won't push commit " + shortHash(c.id) + " since " + why,
                                {"Rejected commit: " + templates.summary(static_cast<Pos>(i))});
            }
        }
    }

    std::string action;
    if (!remoteRef.target) {
        action = "add to " + shortHash(*local);
    } else if (!local) {
        action = "delete from " + shortHash(*remoteRef.target);
    } else {
        Pos from = repo->require(*remoteRef.target), to = repo->require(*local);
        auto toAncestors = repo->ancestorsOf({to});
        auto fromAncestors = repo->ancestorsOf({from});
        const char *direction = toAncestors[static_cast<size_t>(from)]   ? "move forward"
                                : fromAncestors[static_cast<size_t>(to)] ? "move backward"
                                                                         : "move sideways";
        action = std::string(direction) + " from " + shortHash(*remoteRef.target) + " to " +
                 shortHash(*local);
    }
    ctx.err += "Changes to push to " + cmd.remote + ":\n";
    ctx.err += "  bookmark: " + cmd.bookmark + " [" + action + "]\n";

    pushBookmark(*repo, cmd.remote, cmd.bookmark, remoteRef.target, local);

    Transaction tx(*repo);
    if (local)
        state.remoteBookmarks[cmd.bookmark][cmd.remote] = RemoteRef{local, true};
    else
        state.remoteBookmarks[cmd.bookmark].erase(cmd.remote);
    if (state.remoteBookmarks[cmd.bookmark].empty())
        state.remoteBookmarks.erase(cmd.bookmark);
    repo->viewChanged();
    FinishResult result = tx.finish();
    if (result.workingCopyMoved || result.workingCopyBecameImmutable)
        reportFinish(ctx, *repo, result);
    return 0;
}

int runClone(const cli::Clone &cmd, Context &ctx)
{
    fs::path dest = fs::path(cmd.destination).is_absolute() ? fs::path(cmd.destination)
                                                            : ctx.cwd / cmd.destination;
    dest = dest.lexically_normal();
    std::error_code ec;
    bool existed = fs::exists(dest, ec);
    if (existed && !isEmptyDirectory(dest))
        throw UserError("Destination path exists and is not an empty directory");
    ctx.err += "Fetching into new repo in \"" + dest.string() + "\"\n";
    std::string url = absoluteGitUrl(ctx.cwd, cmd.source);
    if (auto path = localRepositoryPath(url); path && !isGitRepository(*path))
        throw UserError("Could not find repository at '" + path->string() + "'");

    fs::create_directories(dest, ec);
    if (ec)
        throw UserError("Failed to create " + dest.string() + ": " + ec.message());
    auto cleanUp = [&] {
        std::error_code ignored;
        if (existed) {
            for (const auto &entry : fs::directory_iterator(dest, ignored))
                fs::remove_all(entry.path(), ignored);
        } else {
            fs::remove_all(dest, ignored);
        }
    };
    try {
        auto repo = Repo::create(fs::canonical(dest));
        startWorkspace(*repo, ctx, false);
        git_remote *raw = nullptr;
        if (git_remote_create(&raw, repo->git(), "origin", url.c_str()) < 0)
            throw UserError(gitLastError());
        git_remote_free(raw);
        auto branches = fetchRemote(*repo, "origin");
        auto defaultBranch = remoteDefaultBranch(*repo, "origin");
        if (defaultBranch && !branches.count(*defaultBranch))
            defaultBranch.reset();
        auto changes = importRemoteBranches(*repo, "origin", branches);
        Pos base = 0;
        if (defaultBranch) {
            RepoState &state = repo->state();
            Oid target = branches.at(*defaultBranch);
            state.remoteBookmarks[*defaultBranch]["origin"].tracked = true;
            state.bookmarks[*defaultBranch] = target;
            base = repo->require(target);
            repo->viewChanged();
        }
        ctx.err += formatImportedRefs(changes, repo->state());
        if (defaultBranch)
            ctx.err += "Setting the revset alias `trunk()` to `" + *defaultBranch + "@origin`.\n";
        Pos wc = completeWorkspace(*repo, base);
        FinishResult result;
        result.changed = true;
        result.newWorkingCopy = wc;
        result.stats = repo->workingCopy().checkout(wc);
        repo->publish();
        exportToGit(*repo, RepoState{}, true);
        if (changes.empty())
            ctx.err += "Nothing changed.\n";
        else if (defaultBranch) {
            result.workingCopyMoved = true;
            reportFinish(ctx, *repo, result);
        }
    } catch (...) {
        cleanUp();
        throw;
    }
    return 0;
}

} // namespace jj

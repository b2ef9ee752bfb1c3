#include "Commands.h"

#include "Error.h"
#include "Templates.h"
#include "WorkingCopy.h"

namespace fs = std::filesystem;

namespace jj {

namespace {

template<class... Ts> struct Overloaded : Ts... {
    using Ts::operator()...;
};
template<class... Ts> Overloaded(Ts...) -> Overloaded<Ts...>;

} // namespace

int runCommand(const cli::Invocation &invocation, Context &ctx)
{
    return std::visit(Overloaded{
                          [&](const cli::GitInit &c) { return runGitInit(c, ctx); },
                          [&](const cli::Log &c) { return runLog(c, ctx); },
                          [&](const cli::Show &c) { return runShow(c, ctx); },
                          [&](const cli::Describe &c) { return runDescribe(c, ctx); },
                          [&](const cli::Diff &c) { return runDiff(c, ctx); },
                          [&](const cli::Commit &c) { return runCommit(c, ctx); },
                          [&](const cli::Abandon &c) { return runAbandon(c, ctx); },
                          [&](const cli::New &c) { return runNew(c, ctx); },
                          [&](const cli::Rebase &c) { return runRebase(c, ctx); },
                          [&](const cli::BookmarkCreate &c) { return runBookmarkCreate(c, ctx); },
                          [&](const cli::BookmarkSet &c) { return runBookmarkSet(c, ctx); },
                          [&](const cli::BookmarkTrack &c) { return runBookmarkTrack(c, ctx); },
                          [&](const cli::BookmarkList &c) { return runBookmarkList(c, ctx); },
                          [&](const cli::RemoteAdd &c) { return runRemoteAdd(c, ctx); },
                          [&](const cli::RemoteList &c) { return runRemoteList(c, ctx); },
                          [&](const cli::Push &c) { return runPush(c, ctx); },
                          [&](const cli::Fetch &c) { return runFetch(c, ctx); },
                          [&](const cli::Clone &c) { return runClone(c, ctx); },
                      },
                      invocation);
}

std::unique_ptr<Repo> openWorkspace(Context &ctx)
{
    auto root = Repo::findWorkspaceRoot(ctx.cwd);
    if (!root)
        throw UserError("There is no jj repo in \".\"");
    auto repo = std::make_unique<Repo>(*root);
    repo->workingCopy().recover();
    repo->workingCopy().snapshot();
    return repo;
}

void reportFinish(Context &ctx, Repo &repo, const FinishResult &result)
{
    if (!result.changed) {
        ctx.err += "Nothing changed.\n";
        return;
    }
    if (result.workingCopyBecameImmutable)
        ctx.err += "Warning: The working-copy commit became immutable; a new commit has been "
                   "created on top of it.\n";
    Templates templates(repo);
    if (result.workingCopyMoved) {
        ctx.err += "Working copy  (@) now at: " + templates.summary(result.newWorkingCopy) + "\n";
        for (Pos parent : repo.commit(result.newWorkingCopy).parents)
            ctx.err += "Parent commit (@-)      : " + templates.summary(parent) + "\n";
    }
    if (result.stats.any())
        ctx.err += "Added " + std::to_string(result.stats.added) + " files, modified " +
                   std::to_string(result.stats.modified) + " files, removed " +
                   std::to_string(result.stats.removed) + " files\n";
    const Identity &id = repo.identity();
    if (id.name.empty() || id.email.empty()) {
        const char *what = id.name.empty() && id.email.empty() ? "Name and email not configured."
                           : id.name.empty()                   ? "Name not configured."
                                                               : "Email not configured.";
        ctx.err += std::string("Warning: ") + what +
                   " Until configured, your commits will be created with the empty identity, and "
                   "can't be pushed "
                   "to remotes.\n";
        ctx.err += "Hint: To configure, run:\n";
        if (id.name.empty())
            ctx.err += "  jj config set --user user.name \"Some One\"\n";
        if (id.email.empty())
            ctx.err += "  jj config set --user user.email \"someone@example.com\"\n";
    }
}

std::string descriptionFromMessage(const std::string &message)
{
    if (message.empty() || message.back() == '\n')
        return message;
    return message + "\n";
}

std::string displayPath(const Context &ctx, const Repo &repo, const std::string &repoPath)
{
    std::error_code ec;
    fs::path cwd = fs::weakly_canonical(ctx.cwd, ec);
    fs::path root = fs::weakly_canonical(repo.layout().root, ec);
    if (ec || cwd == root)
        return repoPath;
    return (root / repoPath).lexically_relative(cwd).generic_string();
}

} // namespace jj

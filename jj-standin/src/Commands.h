#pragma once

// Running one command line: the shared steps (find the workspace, snapshot,
// report a finished transaction) and one function per form.

#include "CommandLine.h"
#include "Repo.h"

#include <filesystem>
#include <memory>
#include <string>

namespace jj {

struct Context {
    std::filesystem::path cwd;
    std::string out; // standard output, written when the command ends
    std::string err; // status messages, written before any error
};

// Returns the exit status; throws UserError / UsageError for failures.
int runCommand(const cli::Invocation &invocation, Context &ctx);

// The workspace around ctx.cwd, locked, with interrupted checkouts finished and
// the working copy snapshotted.
std::unique_ptr<Repo> openWorkspace(Context &ctx);

// Prints what the real tool prints after a transaction: "Nothing changed.",
// the working-copy lines, the checkout summary.
void reportFinish(Context &ctx, Repo &repo, const FinishResult &result);

// A message given with -m, as the real tool stores it: with a final newline.
std::string descriptionFromMessage(const std::string &message);

std::string displayPath(const Context &ctx, const Repo &repo, const std::string &repoPath);

int runLog(const cli::Log &cmd, Context &ctx);
int runShow(const cli::Show &cmd, Context &ctx);
int runDiff(const cli::Diff &cmd, Context &ctx);
int runBookmarkList(const cli::BookmarkList &cmd, Context &ctx);
int runRemoteList(const cli::RemoteList &cmd, Context &ctx);

int runNew(const cli::New &cmd, Context &ctx);
int runCommit(const cli::Commit &cmd, Context &ctx);
int runDescribe(const cli::Describe &cmd, Context &ctx);
int runAbandon(const cli::Abandon &cmd, Context &ctx);
int runRebase(const cli::Rebase &cmd, Context &ctx);

int runBookmarkCreate(const cli::BookmarkCreate &cmd, Context &ctx);
int runBookmarkSet(const cli::BookmarkSet &cmd, Context &ctx);
int runBookmarkTrack(const cli::BookmarkTrack &cmd, Context &ctx);

int runGitInit(const cli::GitInit &cmd, Context &ctx);
int runRemoteAdd(const cli::RemoteAdd &cmd, Context &ctx);
int runPush(const cli::Push &cmd, Context &ctx);
int runFetch(const cli::Fetch &cmd, Context &ctx);
int runClone(const cli::Clone &cmd, Context &ctx);

} // namespace jj

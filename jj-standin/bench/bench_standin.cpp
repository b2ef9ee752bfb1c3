// Times the commands the application runs most on a repository of 10000
// changes, next to `git log --oneline` on the same repository.

#include "Repo.h"
#include "WorkingCopy.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace fs = std::filesystem;

namespace {

constexpr int kChanges = 10000;
constexpr int kFiles = 100;

// Runs a program in `dir` with its output thrown away; returns its exit status.
int run(const std::vector<std::string> &argv, const fs::path &dir)
{
    std::vector<char *> args;
    for (const auto &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    pid_t pid = 0;
    int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

jj::Oid writeBlob(git_repository *repo, const std::string &text)
{
    jj::Oid id;
    jj::gitCheck(git_blob_create_from_buffer(id.out(), repo, text.data(), text.size()), "blob");
    return id;
}

struct Fixture {
    fs::path dir;
    std::string someChange;

    bool keep = false;

    // JJ_STANDIN_BENCH_DIR names a directory to build the repository in once
    // and keep, for looking at it afterwards or timing it again.
    Fixture()
    {
        if (const char *kept = std::getenv("JJ_STANDIN_BENCH_DIR")) {
            keep = true;
            dir = kept;
            if (fs::exists(dir / "repo" / ".jj")) {
                dir /= "repo";
                someChange = readSomeChange();
                return;
            }
        } else {
            dir = fs::temp_directory_path() / ("jj-standin-bench-" + std::to_string(::getpid()));
        }
        fs::remove_all(dir);
        fs::create_directories(dir);
        setenv("JJ_USER", "Bench User", 1);
        setenv("JJ_EMAIL", "bench@example.com", 1);
        setenv("JJ_RANDOMNESS_SEED", "7", 1);
        if (run({JJ_STANDIN_EXECUTABLE, "git", "init", "--colocate", "repo"}, dir) != 0)
            std::abort();
        dir /= "repo";
        build();
    }
    ~Fixture()
    {
        if (!keep)
            fs::remove_all(dir.parent_path());
    }

    std::string readSomeChange()
    {
        git_libgit2_init();
        jj::Repo repo(dir);
        return repo.commit(repo.commit(repo.workingCopyPos()).parents.front()).change;
    }

    // A straight line of changes, each editing one of 100 files.
    void build()
    {
        git_libgit2_init();
        jj::Repo repo(dir);
        git_repository *git = repo.git();
        std::vector<std::string> contents(kFiles);
        jj::Oid tree = jj::emptyTreeId();
        jj::Transaction tx(repo);
        jj::Pos parent = 0;
        for (int i = 0; i < kChanges; ++i) {
            int f = i % kFiles;
            for (int line = 0; line < 3; ++line)
                contents[f] +=
                    "change " + std::to_string(i) + " line " + std::to_string(line) + "\n";
            git_tree *rawTree = nullptr;
            jj::gitCheck(git_tree_lookup(&rawTree, git, tree.get()), "tree");
            jj::TreePtr base(rawTree);
            git_treebuilder *rawBuilder = nullptr;
            jj::gitCheck(git_treebuilder_new(&rawBuilder, git, base.get()), "builder");
            jj::TreeBuilderPtr builder(rawBuilder);
            jj::Oid blob = writeBlob(git, contents[f]);
            jj::gitCheck(git_treebuilder_insert(nullptr, builder.get(),
                                                ("file" + std::to_string(f) + ".txt").c_str(),
                                                blob.get(), GIT_FILEMODE_BLOB),
                         "insert");
            jj::gitCheck(git_treebuilder_write(tree.out(), builder.get()), "write tree");
            parent = tx.newCommit({parent}, tree, "Change number " + std::to_string(i) + "\n");
        }
        someChange = repo.commit(parent).change;
        jj::Pos wc = tx.newCommit({parent}, tree, "");
        tx.setWorkingCopy(wc);
        tx.finish();
    }
};

Fixture &fixture()
{
    static Fixture f;
    return f;
}

void BM_LogAll(benchmark::State &state)
{
    auto &f = fixture();
    for (auto _ : state)
        if (run({JJ_STANDIN_EXECUTABLE, "log", "--no-graph", "-r", "::"}, f.dir) != 0)
            state.SkipWithError("jj log failed");
}

void BM_Show(benchmark::State &state)
{
    auto &f = fixture();
    for (auto _ : state)
        if (run({JJ_STANDIN_EXECUTABLE, "show", f.someChange}, f.dir) != 0)
            state.SkipWithError("jj show failed");
}

void BM_DiffGit(benchmark::State &state)
{
    auto &f = fixture();
    for (auto _ : state)
        if (run({JJ_STANDIN_EXECUTABLE, "diff", "-r", f.someChange, "--git"}, f.dir) != 0)
            state.SkipWithError("jj diff failed");
}

void BM_GitLogOneline(benchmark::State &state)
{
    auto &f = fixture();
    for (auto _ : state)
        if (run({"git", "log", "--oneline"}, f.dir) != 0)
            state.SkipWithError("git log failed");
}

} // namespace

BENCHMARK(BM_LogAll)
    ->Name("jj log --no-graph -r :: (10000 changes)")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_Show)->Name("jj show <change>")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DiffGit)
    ->Name("jj diff -r <change> --git")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_GitLogOneline)
    ->Name("git log --oneline (same repository)")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK_MAIN();

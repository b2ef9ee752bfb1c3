#pragma once

// One workspace: the colocated git repository, the commit index, the view, the
// lock, and the rules every rewrite follows.

#include "CommitIndex.h"
#include "Environment.h"
#include "Git.h"
#include "Ids.h"
#include "RepoState.h"

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace jj {

class WorkingCopy;

struct CheckoutStats {
    int added = 0;
    int modified = 0;
    int removed = 0;
    bool any() const { return added || modified || removed; }
};

// Paths inside a workspace.
struct Layout {
    std::filesystem::path root;
    std::string jjName = ".jj"; // another name while a new workspace is being made
    std::filesystem::path jjDir() const { return root / jjName; }
    std::filesystem::path repoDir() const { return jjDir() / "repo"; }
    std::filesystem::path lockFile() const { return repoDir() / "lock"; }
    std::filesystem::path stateFile() const { return repoDir() / "state"; }
    std::filesystem::path indexFile() const { return repoDir() / "commits"; }
    std::filesystem::path workingCopyDir() const { return jjDir() / "working_copy"; }
    std::filesystem::path gitDir() const { return root / ".git"; }
};

class Repo {
public:
    // Walks up from `start` to the first directory holding a ".jj" directory.
    static std::optional<std::filesystem::path>
    findWorkspaceRoot(const std::filesystem::path &start);

    // Opens the workspace at `root`: takes the lock, then loads the index and view.
    explicit Repo(const std::filesystem::path &root);
    // Creates a workspace in `root` beside an existing or new `.git`. Its
    // directory only becomes `.jj` with publish(), once the first view is
    // written, so an interrupted creation leaves no half-made repository.
    static std::unique_ptr<Repo> create(const std::filesystem::path &root);
    void publish();
    ~Repo();
    Repo(const Repo &) = delete;
    Repo &operator=(const Repo &) = delete;

    const Layout &layout() const { return layout_; }
    git_repository *git() const { return git_.get(); }

    // The lock is taken by the constructor; read-only commands drop it once
    // they have everything they need.
    void unlock();

    // --- commits ---
    CommitIndex &index() { return index_; }
    const CommitRecord &commit(Pos pos) const { return index_.at(pos); }
    std::optional<Pos> find(const Oid &id) const { return index_.find(id); }
    // Known position of `id`, reading it (and its ancestors) from git if needed.
    Pos require(const Oid &id);
    Pos importFromGit(const Oid &tip);

    RepoState &state() { return state_; }
    const RepoState &state() const { return state_; }
    Pos workingCopyPos() const;
    void setInitialState(RepoState state);

    // --- derived views, recomputed after the view changes ---
    void viewChanged();
    const std::vector<char> &visible();
    const std::vector<char> &immutable();
    const std::vector<std::vector<Pos>> &visibleChildren();
    std::vector<char> ancestorsOf(const std::vector<Pos> &heads) const;
    std::vector<Pos> immutableHeads();
    std::optional<Pos> trunk();
    const PrefixIndex &changePrefixes();
    const PrefixIndex &commitPrefixes();
    const std::vector<std::string> &commitHexes();

    // --- trees ---
    // The tree a child of `parents` starts from: a single parent's tree, or the
    // parents merged against their common ancestors.
    Oid parentsTree(const std::vector<Pos> &parents);
    // Three-way merge; throws UserError naming the paths when it conflicts.
    Oid mergeTrees(const Oid &base, const Oid &ours, const Oid &theirs, const std::string &what);
    void ensureEmptyTree();

    // --- identity and new commits ---
    Signature signatureNow() const;
    const Identity &identity() const { return identity_; }
    ChangeId newChangeId();
    Pos writeCommit(const std::vector<Pos> &parents, const Oid &tree,
                    const std::string &description, const ChangeId &change, const Signature &author,
                    const Signature &committer);

    WorkingCopy &workingCopy();

private:
    Repo() = default;
    void openGit();
    void lock();
    void load();

    Layout layout_;
    RepositoryPtr git_;
    int lockFd_ = -1;
    CommitIndex index_;
    RepoState state_;
    Identity identity_;
    std::optional<ChangeIdGenerator> generator_;
    std::unique_ptr<WorkingCopy> workingCopy_;

    std::vector<char> visible_;
    std::vector<char> immutable_;
    std::vector<std::vector<Pos>> children_;
    bool childrenValid_ = false;
    std::optional<PrefixIndex> changePrefixes_;
    std::optional<PrefixIndex> commitPrefixes_;
    std::vector<std::string> commitHexes_;
    size_t commitHexesFor_ = 0;
    bool emptyTreeWritten_ = false;
};

// What finishing a transaction did, for the command's report.
struct FinishResult {
    bool changed = false;
    bool workingCopyMoved = false;
    Pos oldWorkingCopy = 0;
    Pos newWorkingCopy = 0;
    CheckoutStats stats;
    bool workingCopyBecameImmutable = false;
};

// Collects the rewrites of one command, rebases what descends from them, keeps
// bookmarks and the working copy pointing at the right commits, then writes the
// result in an order that survives being killed at any point.
class Transaction {
public:
    explicit Transaction(Repo &repo);

    Repo &repo() { return repo_; }

    Pos newCommit(const std::vector<Pos> &parents, const Oid &tree, const std::string &description);
    // Rewrites `old` keeping its change id; unset fields keep their old values.
    Pos rewrite(Pos old, std::optional<std::vector<Pos>> parents, std::optional<Oid> tree,
                std::optional<std::string> description);
    void abandon(Pos pos);
    // For `rebase`: the parents (old positions) `pos` gets, before mapping.
    void overrideParents(Pos pos, std::vector<Pos> parents);
    // Rebases every visible descendant of what was rewritten, abandoned or given
    // new parents; returns how many of them were rewritten.
    int rebaseDescendants();
    // Makes `pos` the working copy; the previous one is abandoned when it holds
    // nothing worth keeping.
    void setWorkingCopy(Pos pos);

    bool wasRewritten(Pos old) const { return replaced_.count(old) > 0; }
    Pos rewrittenTo(Pos old) const;

    // Persists. `filesAlreadyThere` is the tree now on disk when the working
    // copy's files need no update (a snapshot).
    FinishResult finish(const std::optional<Oid> &filesAlreadyThere = std::nullopt);

private:
    std::vector<Pos> resolveAbandoned(Pos pos) const;
    std::vector<Pos> mapParents(const std::vector<Pos> &oldParents) const;
    Signature rewrittenAuthor(const CommitRecord &old, const Signature &committer) const;
    void updateReferences();
    std::vector<Oid> computeHeads();

    Repo &repo_;
    RepoState originalState_;
    Pos originalWorkingCopy_;
    std::unordered_map<Pos, Pos> replaced_;
    std::set<Pos> abandoned_;
    std::map<Pos, std::vector<Pos>> overrides_;
    std::vector<Pos> created_;
    bool referencesUpdated_ = false;
};

// Summaries and refusals shared by the commands.
bool isDiscardable(const CommitRecord &commit);
[[noreturn]] void throwImmutable(Repo &repo, const std::vector<Pos> &rewritten);
void checkRewritable(Repo &repo, const std::vector<Pos> &commits);

} // namespace jj

#include "WorkingCopy.h"

#include "Error.h"

#include <git2/sys/repository.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace jj {

namespace {

fs::path recordPath(const Repo &repo) { return repo.layout().workingCopyDir() / "checkout"; }
fs::path indexPath(const Repo &repo) { return repo.layout().workingCopyDir() / "index"; }

TreePtr lookupTree(git_repository *repo, const Oid &id) {
    git_tree *raw = nullptr;
    gitCheck(git_tree_lookup(&raw, repo, id.get()), "cannot read tree " + id.hex());
    return TreePtr(raw);
}

int markTouched(const char *, const char *, void *payload) {
    *static_cast<bool *>(payload) = true;
    return 0;
}

void checkoutProgress(const char *path, size_t completed, size_t, void *) {
    if (path && completed >= 1)
        faultPoint("mid-checkout");
}

} // namespace

CheckoutStats diffStats(git_repository *repo, const Oid &from, const Oid &to) {
    CheckoutStats stats;
    if (from == to)
        return stats;
    TreePtr a = lookupTree(repo, from), b = lookupTree(repo, to);
    git_diff *raw = nullptr;
    git_diff_options opts = GIT_DIFF_OPTIONS_INIT;
    gitCheck(git_diff_tree_to_tree(&raw, repo, a.get(), b.get(), &opts), "cannot compare trees");
    DiffPtr diff(raw);
    for (size_t i = 0; i < git_diff_num_deltas(diff.get()); ++i) {
        switch (git_diff_get_delta(diff.get(), i)->status) {
        case GIT_DELTA_ADDED: ++stats.added; break;
        case GIT_DELTA_DELETED: ++stats.removed; break;
        default: ++stats.modified; break;
        }
    }
    return stats;
}

WorkingCopy::WorkingCopy(Repo &repo) : repo_(repo) { record_ = readRecord(); }

WorkingCopy::~WorkingCopy() {
    if (index_)
        git_repository_set_index(repo_.git(), nullptr);
}

std::optional<WorkingCopy::Record> WorkingCopy::readRecord() const {
    std::ifstream in(recordPath(repo_));
    std::string commit, tree;
    if (!(in >> commit >> tree) || !Oid::isHex40(commit) || !Oid::isHex40(tree))
        return std::nullopt;
    return Record{Oid::fromHex(commit), Oid::fromHex(tree)};
}

void WorkingCopy::writeRecord(const Record &record) {
    writeFileAtomically(recordPath(repo_), record.commit.hex() + "\n" + record.tree.hex() + "\n");
    record_ = record;
}

git_index *WorkingCopy::index() {
    if (index_)
        return index_.get();
    const fs::path path = indexPath(repo_);
    fs::create_directories(path.parent_path());
    // We hold the repository lock, so a lock file here was left by a killed process.
    ::unlink((path.string() + ".lock").c_str());
    git_index *raw = nullptr;
    if (git_index_open(&raw, path.c_str()) < 0) {
        git_error_clear();
        ::unlink(path.c_str());
        gitCheck(git_index_open(&raw, path.c_str()), "cannot open the working-copy index");
    }
    index_.reset(raw);
    gitCheck(git_repository_set_index(repo_.git(), raw), "cannot attach the working-copy index");
    if (git_index_entrycount(raw) == 0 && record_ && record_->tree != emptyTreeId()) {
        // The stat cache was lost: start from the recorded tree and let the next
        // snapshot re-hash every file.
        TreePtr tree = lookupTree(repo_.git(), record_->tree);
        gitCheck(git_index_read_tree(raw, tree.get()), "cannot rebuild the working-copy index");
    }
    return raw;
}

void WorkingCopy::writeIndex() {
    ::unlink((indexPath(repo_).string() + ".lock").c_str());
    gitCheck(git_index_write(index()), "cannot write the working-copy index");
}

void WorkingCopy::recover() {
    const CommitRecord &wc = repo_.commit(repo_.workingCopyPos());
    if (record_ && record_->commit == wc.id)
        return;
    // Either a command was killed after writing the view but before the files
    // were updated, or the record is missing: make the files match @.
    Oid from = record_ ? record_->tree : emptyTreeId();
    checkoutTrees(from, wc.tree);
    writeRecord({wc.id, wc.tree});
}

bool WorkingCopy::snapshot() {
    git_index *idx = index();
    bool touched = false;
    gitCheck(git_index_update_all(idx, nullptr, markTouched, &touched), "cannot scan the working copy");
    gitCheck(git_index_add_all(idx, nullptr, GIT_INDEX_ADD_DEFAULT, markTouched, &touched),
             "cannot scan the working copy");
    if (!touched)
        return false;
    Oid tree;
    gitCheck(git_index_write_tree_to(tree.out(), idx, repo_.git()), "cannot write the working-copy tree");
    Pos wc = repo_.workingCopyPos();
    if (tree == repo_.commit(wc).tree) {
        writeIndex(); // only the stat cache changed
        return false;
    }
    Transaction tx(repo_);
    if (repo_.immutable()[static_cast<size_t>(wc)]) {
        Pos fresh = tx.newCommit({wc}, tree, "");
        tx.setWorkingCopy(fresh);
        std::fputs("Warning: The working-copy commit in workspace 'default' became immutable, so a new commit "
                   "has been created on top of it.\n",
                   stderr);
    } else {
        tx.rewrite(wc, std::nullopt, tree, std::nullopt);
        tx.rebaseDescendants();
    }
    tx.finish(tree);
    return true;
}

CheckoutStats WorkingCopy::checkoutTrees(const Oid &from, const Oid &to) {
    git_index *idx = index();
    (void)idx;
    CheckoutStats stats = diffStats(repo_.git(), from, to);
    TreePtr baseline = lookupTree(repo_.git(), from);
    TreePtr target = lookupTree(repo_.git(), to);
    git_checkout_options opts = GIT_CHECKOUT_OPTIONS_INIT;
    // The files were just snapshotted, so whatever differs from the baseline is ours to replace.
    opts.checkout_strategy = GIT_CHECKOUT_FORCE;
    opts.baseline = baseline.get();
    opts.progress_cb = checkoutProgress;
    ::unlink((indexPath(repo_).string() + ".lock").c_str());
    gitCheck(git_checkout_tree(repo_.git(), reinterpret_cast<git_object *>(target.get()), &opts),
             "cannot update the working copy");
    writeIndex();
    return stats;
}

CheckoutStats WorkingCopy::checkout(Pos commit) {
    const CommitRecord &c = repo_.commit(commit);
    Oid from = record_ ? record_->tree : emptyTreeId();
    CheckoutStats stats = checkoutTrees(from, c.tree);
    writeRecord({c.id, c.tree});
    return stats;
}

void WorkingCopy::recordCheckout(Pos commit, const Oid &tree) {
    writeIndex();
    writeRecord({repo_.commit(commit).id, tree});
}

void WorkingCopy::adoptFiles(Pos commit) {
    const CommitRecord &c = repo_.commit(commit);
    TreePtr tree = lookupTree(repo_.git(), c.tree);
    gitCheck(git_index_read_tree(index(), tree.get()), "cannot read the working-copy tree");
    writeIndex();
    writeRecord({c.id, c.tree});
}

} // namespace jj

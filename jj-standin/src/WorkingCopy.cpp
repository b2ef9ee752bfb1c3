#include "WorkingCopy.h"

#include "Error.h"

#include <git2/sys/repository.h>

#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace jj {

namespace {

fs::path recordPath(const Repo &repo)
{
    return repo.layout().workingCopyDir() / "checkout";
}
fs::path indexPath(const Repo &repo)
{
    return repo.layout().workingCopyDir() / "index";
}

TreePtr lookupTree(git_repository *repo, const Oid &id)
{
    git_tree *raw = nullptr;
    gitCheck(git_tree_lookup(&raw, repo, id.get()), "cannot read tree " + id.hex());
    return TreePtr(raw);
}

void checkoutProgress(const char *path, size_t completed, size_t, void *)
{
    if (path && completed >= 1)
        faultPoint("mid-checkout");
}

} // namespace

CheckoutStats diffStats(git_repository *repo, const Oid &from, const Oid &to)
{
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
        case GIT_DELTA_ADDED:
            ++stats.added;
            break;
        case GIT_DELTA_DELETED:
            ++stats.removed;
            break;
        default:
            ++stats.modified;
            break;
        }
    }
    return stats;
}

WorkingCopy::WorkingCopy(Repo &repo) : repo_(repo)
{
    record_ = readRecord();
}

WorkingCopy::~WorkingCopy()
{
    if (index_)
        git_repository_set_index(repo_.git(), nullptr);
}

std::optional<WorkingCopy::Record> WorkingCopy::readRecord() const
{
    std::ifstream in(recordPath(repo_));
    std::string commit, tree;
    if (!(in >> commit >> tree) || !Oid::isHex40(commit) || !Oid::isHex40(tree))
        return std::nullopt;
    return Record{Oid::fromHex(commit), Oid::fromHex(tree)};
}

void WorkingCopy::writeRecord(const Record &record)
{
    writeFileAtomically(recordPath(repo_), record.commit.hex() + "\n" + record.tree.hex() + "\n");
    record_ = record;
}

git_index *WorkingCopy::index()
{
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

void WorkingCopy::writeIndex()
{
    ::unlink((indexPath(repo_).string() + ".lock").c_str());
    gitCheck(git_index_write(index()), "cannot write the working-copy index");
}

void WorkingCopy::recover()
{
    const CommitRecord &wc = repo_.commit(repo_.workingCopyPos());
    if (record_ && record_->commit == wc.id)
        return;
    // Either a command was killed after writing the view but before the files
    // were updated, or the record is missing: make the files match @.
    Oid from = record_ ? record_->tree : emptyTreeId();
    checkoutTrees(from, wc.tree);
    writeRecord({wc.id, wc.tree});
}

namespace {

// Walks the working tree against the stat cache: hashes only files whose stat
// differs (or may have changed within the cache's own second), skips ignored
// untracked paths, and never enters a ".git" or ".jj" at any depth (so a
// nested repository's files are plain files here, as with the real tool).
class TreeScanner {
public:
    TreeScanner(git_repository *repo, git_index *index, const fs::path &root,
                const struct timespec &cacheTime)
        : repo_(repo), index_(index), root_(root), cacheTime_(cacheTime)
    {
        for (size_t i = 0; i < git_index_entrycount(index); ++i) {
            const git_index_entry *e = git_index_get_byindex(index, i);
            if (GIT_INDEX_ENTRY_STAGE(e) == 0)
                tracked_.emplace(e->path, *e);
        }
    }

    // Applies what changed to the index; true when anything did.
    bool scan()
    {
        walk("");
        bool changed = !updates_.empty();
        for (auto &[path, entry] : updates_) {
            entry.path = path.c_str();
            gitCheck(git_index_add(index_, &entry), "cannot record " + path);
        }
        for (const auto &[path, entry] : tracked_)
            if (!seen_.count(path)) {
                gitCheck(git_index_remove(index_, path.c_str(), 0), "cannot forget " + path);
                changed = true;
            }
        return changed;
    }

private:
    bool ignored(const std::string &path)
    {
        int result = 0;
        if (git_ignore_path_is_ignored(&result, repo_, path.c_str()) < 0) {
            git_error_clear();
            return false;
        }
        return result != 0;
    }

    bool tracksUnder(const std::string &prefix) const
    {
        auto it = tracked_.lower_bound(prefix);
        return it != tracked_.end() && it->first.compare(0, prefix.size(), prefix) == 0;
    }

    bool racy(const git_index_entry &e) const
    {
        return e.mtime.seconds > static_cast<int32_t>(cacheTime_.tv_sec) ||
               (e.mtime.seconds == static_cast<int32_t>(cacheTime_.tv_sec) &&
                e.mtime.nanoseconds >= static_cast<uint32_t>(cacheTime_.tv_nsec));
    }

    void walk(const std::string &dir)
    {
        fs::path absolute = dir.empty() ? root_ : root_ / dir;
        DIR *d = ::opendir(absolute.c_str());
        if (!d)
            return;
        std::vector<std::string> names;
        while (struct dirent *entry = ::readdir(d)) {
            std::string name = entry->d_name;
            if (name != "." && name != ".." && name != ".git" && name != ".jj")
                names.push_back(std::move(name));
        }
        ::closedir(d);
        for (const std::string &name : names) {
            std::string path = dir + name;
            struct stat st {};
            if (::lstat((root_ / path).c_str(), &st) != 0)
                continue;
            if (S_ISDIR(st.st_mode)) {
                if (tracksUnder(path + "/") || !ignored(path + "/"))
                    walk(path + "/");
            } else if (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)) {
                file(path, st);
            }
        }
    }

    void file(const std::string &path, const struct stat &st)
    {
        auto known = tracked_.find(path);
        if (known == tracked_.end() && ignored(path))
            return;
        seen_.insert(path);
        uint32_t mode = S_ISLNK(st.st_mode)      ? GIT_FILEMODE_LINK
                        : (st.st_mode & S_IXUSR) ? GIT_FILEMODE_BLOB_EXECUTABLE
                                                 : GIT_FILEMODE_BLOB;
        git_index_entry entry{};
        entry.ctime.seconds = static_cast<int32_t>(st.st_ctim.tv_sec);
        entry.ctime.nanoseconds = static_cast<uint32_t>(st.st_ctim.tv_nsec);
        entry.mtime.seconds = static_cast<int32_t>(st.st_mtim.tv_sec);
        entry.mtime.nanoseconds = static_cast<uint32_t>(st.st_mtim.tv_nsec);
        entry.dev = static_cast<uint32_t>(st.st_dev);
        entry.ino = static_cast<uint32_t>(st.st_ino);
        entry.mode = mode;
        entry.uid = st.st_uid;
        entry.gid = st.st_gid;
        entry.file_size = static_cast<uint32_t>(st.st_size);
        if (known != tracked_.end()) {
            const git_index_entry &old = known->second;
            bool sameStat = old.mtime.seconds == entry.mtime.seconds &&
                            old.mtime.nanoseconds == entry.mtime.nanoseconds &&
                            old.file_size == entry.file_size && old.ino == entry.ino &&
                            old.mode == entry.mode;
            if (sameStat && !racy(old))
                return;
            entry.id = hash(path, st);
            if (sameStat && git_oid_equal(&entry.id, &old.id))
                return; // racily clean: same content, nothing to record
        } else {
            entry.id = hash(path, st);
        }
        updates_.emplace_back(path, entry);
    }

    git_oid hash(const std::string &path, const struct stat &st)
    {
        git_oid id;
        fs::path absolute = root_ / path;
        if (S_ISLNK(st.st_mode)) {
            std::string target(static_cast<size_t>(st.st_size) + 1, '\0');
            ssize_t n = ::readlink(absolute.c_str(), target.data(), target.size());
            target.resize(n < 0 ? 0 : static_cast<size_t>(n));
            gitCheck(git_blob_create_from_buffer(&id, repo_, target.data(), target.size()),
                     "cannot store " + path);
        } else {
            gitCheck(git_blob_create_from_disk(&id, repo_, absolute.c_str()),
                     "cannot store " + path);
        }
        return id;
    }

    git_repository *repo_;
    git_index *index_;
    fs::path root_;
    struct timespec cacheTime_;
    std::map<std::string, git_index_entry> tracked_;
    std::set<std::string> seen_;
    std::vector<std::pair<std::string, git_index_entry>> updates_;
};

} // namespace

bool WorkingCopy::snapshot()
{
    struct stat cacheStat {};
    struct timespec cacheTime {};
    if (::stat(indexPath(repo_).c_str(), &cacheStat) == 0)
        cacheTime = cacheStat.st_mtim;
    git_index *idx = index();
    if (!TreeScanner(repo_.git(), idx, repo_.layout().root, cacheTime).scan())
        return false;
    Oid tree;
    gitCheck(git_index_write_tree_to(tree.out(), idx, repo_.git()),
             "cannot write the working-copy tree");
    Pos wc = repo_.workingCopyPos();
    if (tree == repo_.commit(wc).tree) {
        writeIndex(); // only the stat cache changed
        return false;
    }
    Transaction tx(repo_);
    if (repo_.immutable()[static_cast<size_t>(wc)]) {
        Pos fresh = tx.newCommit({wc}, tree, "");
        tx.setWorkingCopy(fresh);
        std::fputs("Warning: The working-copy commit in workspace 'default' became immutable, so a "
                   "new commit "
                   "has been created on top of it.\n",
                   stderr);
    } else {
        tx.rewrite(wc, std::nullopt, tree, std::nullopt);
        tx.rebaseDescendants();
    }
    tx.finish(tree);
    return true;
}

CheckoutStats WorkingCopy::checkoutTrees(const Oid &from, const Oid &to)
{
    index(); // checkout updates whichever index is attached to the repository: ours
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

CheckoutStats WorkingCopy::checkout(Pos commit)
{
    const CommitRecord &c = repo_.commit(commit);
    Oid from = record_ ? record_->tree : emptyTreeId();
    CheckoutStats stats = checkoutTrees(from, c.tree);
    writeRecord({c.id, c.tree});
    return stats;
}

void WorkingCopy::recordCheckout(Pos commit, const Oid &tree)
{
    writeIndex();
    writeRecord({repo_.commit(commit).id, tree});
}

void WorkingCopy::adoptFiles(Pos commit)
{
    const CommitRecord &c = repo_.commit(commit);
    TreePtr tree = lookupTree(repo_.git(), c.tree);
    gitCheck(git_index_read_tree(index(), tree.get()), "cannot read the working-copy tree");
    writeIndex();
    writeRecord({c.id, c.tree});
}

} // namespace jj

#include "Repo.h"

#include "Error.h"
#include "Templates.h"
#include "WorkingCopy.h"

#include <git2/sys/repository.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sys/file.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace jj {

namespace {

std::string sanitizeSignaturePart(const std::string &text)
{
    std::string out;
    for (char c : text)
        if (c != '<' && c != '>' && c != '\n')
            out += c;
    return out;
}

std::string formatSignatureLine(const char *kind, const Signature &sig)
{
    int off = sig.offsetMinutes;
    char sign = off < 0 ? '-' : '+';
    off = std::abs(off);
    char zone[16];
    std::snprintf(zone, sizeof zone, "%c%02d%02d", sign, off / 60, off % 60);
    return std::string(kind) + " " + sanitizeSignaturePart(sig.name) + " <" +
           sanitizeSignaturePart(sig.email) + "> " + std::to_string(sig.time) + " " + zone + "\n";
}

Signature fromGit(const git_signature *sig)
{
    Signature out;
    if (!sig)
        return out;
    out.name = sig->name ? sig->name : "";
    out.email = sig->email ? sig->email : "";
    out.time = sig->when.time;
    out.offsetMinutes = sig->when.offset;
    return out;
}

} // namespace

std::optional<fs::path> Repo::findWorkspaceRoot(const fs::path &start)
{
    std::error_code ec;
    fs::path dir = fs::absolute(start, ec);
    if (ec)
        return std::nullopt;
    for (;;) {
        if (fs::is_directory(dir / ".jj", ec))
            return dir;
        fs::path parent = dir.parent_path();
        if (parent == dir)
            return std::nullopt;
        dir = parent;
    }
}

Repo::Repo(const fs::path &root)
{
    layout_.root = root;
    lock();
    openGit();
    load();
}

std::unique_ptr<Repo> Repo::create(const fs::path &root)
{
    std::unique_ptr<Repo> repo(new Repo());
    repo->layout_.root = root;
    repo->layout_.jjName = ".jj.new." + std::to_string(::getpid());
    const Layout &l = repo->layout_;
    fs::remove_all(l.jjDir());
    fs::create_directories(l.repoDir());
    fs::create_directories(l.workingCopyDir());
    {
        // Keeps git (and our own snapshots) away from everything in .jj.
        std::ofstream ignore(l.jjDir() / ".gitignore", std::ios::binary | std::ios::trunc);
        ignore << "/*\n";
    }
    repo->lock();
    if (!fs::exists(l.gitDir())) {
        git_repository *raw = nullptr;
        git_repository_init_options opts = GIT_REPOSITORY_INIT_OPTIONS_INIT;
        opts.flags = GIT_REPOSITORY_INIT_MKPATH;
        gitCheck(git_repository_init_ext(&raw, l.root.c_str(), &opts),
                 "cannot create the git repository");
        git_repository_free(raw);
    }
    repo->openGit();
    repo->identity_ = resolveIdentity(repo->git());
    return repo;
}

void Repo::publish()
{
    faultPoint("before-publish");
    workingCopy_.reset();
    Layout published = layout_;
    published.jjName = ".jj";
    std::error_code ec;
    fs::rename(layout_.jjDir(), published.jjDir(), ec);
    if (ec)
        throw InternalError("cannot create " + published.jjDir().string() + ": " + ec.message());
    layout_ = published;
}

Repo::~Repo()
{
    workingCopy_.reset();
    unlock();
}

void Repo::openGit()
{
    git_repository *raw = nullptr;
    gitCheck(
        git_repository_open_ext(&raw, layout_.root.c_str(), GIT_REPOSITORY_OPEN_NO_SEARCH, nullptr),
        "cannot open the git repository in " + layout_.root.string());
    git_.reset(raw);
    // Never let git's own status machinery look inside .jj, even if the
    // .gitignore there is lost.
    git_ignore_add_rule(git_.get(), "/.jj/\n");
    ensureEmptyTree();
}

void Repo::lock()
{
    fs::create_directories(layout_.repoDir());
    lockFd_ = ::open(layout_.lockFile().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lockFd_ < 0)
        throw InternalError("cannot open " + layout_.lockFile().string() + ": " +
                            std::strerror(errno));
    while (::flock(lockFd_, LOCK_EX) != 0) {
        if (errno != EINTR)
            throw InternalError("cannot lock " + layout_.lockFile().string() + ": " +
                                std::strerror(errno));
    }
}

void Repo::unlock()
{
    if (lockFd_ >= 0) {
        ::flock(lockFd_, LOCK_UN);
        ::close(lockFd_);
        lockFd_ = -1;
    }
}

void Repo::load()
{
    // Temporary files of writers that were killed before renaming them into place.
    std::error_code ec;
    for (const auto &dir : {layout_.repoDir(), layout_.workingCopyDir()})
        for (const auto &entry : fs::directory_iterator(dir, ec))
            if (entry.path().filename().string().find(".tmp.") != std::string::npos)
                fs::remove(entry.path(), ec);
    index_.load(layout_.indexFile());
    state_ = RepoState::load(layout_.stateFile());
    identity_ = resolveIdentity(git());
    // Make sure everything the view names is indexed (a lost index is rebuilt from git).
    require(state_.workingCopy);
    for (const Oid &h : state_.heads)
        require(h);
    for (const auto &[name, target] : state_.bookmarks)
        require(target);
    for (const auto &[name, remotes] : state_.remoteBookmarks)
        for (const auto &[remote, ref] : remotes)
            if (ref.target)
                require(*ref.target);
    viewChanged();
}

void Repo::setInitialState(RepoState state)
{
    state_ = std::move(state);
    viewChanged();
}

Pos Repo::workingCopyPos() const
{
    auto pos = index_.find(state_.workingCopy);
    if (!pos)
        throw InternalError("the working-copy commit is not indexed");
    return *pos;
}

Pos Repo::require(const Oid &id)
{
    if (auto pos = index_.find(id))
        return *pos;
    return importFromGit(id);
}

Pos Repo::importFromGit(const Oid &tip)
{
    if (auto pos = index_.find(tip))
        return *pos;
    struct Pending {
        CommitRecord record;
        std::vector<Oid> parents;
        bool expanded = false;
    };
    std::unordered_map<Oid, Pending, OidHash> pending;
    std::vector<Oid> stack{tip};
    while (!stack.empty()) {
        Oid id = stack.back();
        if (index_.find(id)) {
            stack.pop_back();
            continue;
        }
        auto it = pending.find(id);
        if (it == pending.end()) {
            git_commit *raw = nullptr;
            gitCheck(git_commit_lookup(&raw, git(), id.get()), "cannot read commit " + id.hex());
            CommitPtr c(raw);
            Pending p;
            p.record.id = id;
            p.record.tree = Oid(*git_commit_tree_id(c.get()));
            p.record.author = fromGit(git_commit_author(c.get()));
            p.record.committer = fromGit(git_commit_committer(c.get()));
            const char *msg = git_commit_message_raw(c.get());
            p.record.description = msg ? msg : "";
            GitBuf header;
            if (git_commit_header_field(&header.buf, c.get(), "change-id") == 0 &&
                isChangeId(header.str()))
                p.record.change = header.str();
            else
                p.record.change = changeIdForForeignCommit(id);
            git_error_clear();
            for (unsigned i = 0; i < git_commit_parentcount(c.get()); ++i)
                p.parents.push_back(Oid(*git_commit_parent_id(c.get(), i)));
            it = pending.emplace(id, std::move(p)).first;
        }
        Pending &p = it->second;
        if (!p.expanded) {
            p.expanded = true;
            for (const Oid &parent : p.parents)
                if (!index_.find(parent) && !pending.count(parent))
                    stack.push_back(parent);
            continue;
        }
        stack.pop_back();
        bool ready = std::all_of(p.parents.begin(), p.parents.end(), [&](const Oid &parent) {
            return index_.find(parent).has_value();
        });
        if (!ready) {
            // A parent was pushed by another branch of the walk; come back later.
            stack.push_back(id);
            for (const Oid &parent : p.parents)
                if (!index_.find(parent))
                    stack.push_back(parent);
            continue;
        }
        CommitRecord record = std::move(p.record);
        for (const Oid &parent : p.parents)
            record.parents.push_back(*index_.find(parent));
        if (record.parents.empty())
            record.parents.push_back(0);
        try {
            record.empty = record.tree == parentsTree(record.parents);
        } catch (const UserError &) {
            record.empty = false; // the parents conflict; the commit resolves them
        }
        index_.add(std::move(record));
        pending.erase(id);
    }
    return *index_.find(tip);
}

void Repo::viewChanged()
{
    visible_.clear();
    immutable_.clear();
    childrenValid_ = false;
}

std::vector<char> Repo::ancestorsOf(const std::vector<Pos> &heads) const
{
    std::vector<char> mask(index_.size(), 0);
    std::vector<Pos> stack(heads.begin(), heads.end());
    while (!stack.empty()) {
        Pos p = stack.back();
        stack.pop_back();
        if (mask[static_cast<size_t>(p)])
            continue;
        mask[static_cast<size_t>(p)] = 1;
        for (Pos parent : index_.at(p).parents)
            if (!mask[static_cast<size_t>(parent)])
                stack.push_back(parent);
    }
    if (!mask.empty())
        mask[0] = 1;
    return mask;
}

const std::vector<char> &Repo::visible()
{
    if (visible_.size() != index_.size()) {
        std::vector<Pos> roots;
        roots.push_back(require(state_.workingCopy));
        for (const Oid &h : state_.heads)
            roots.push_back(require(h));
        for (const auto &[name, target] : state_.bookmarks)
            roots.push_back(require(target));
        for (const auto &[name, remotes] : state_.remoteBookmarks)
            for (const auto &[remote, ref] : remotes)
                if (ref.target)
                    roots.push_back(require(*ref.target));
        visible_ = ancestorsOf(roots);
    }
    return visible_;
}

std::optional<Pos> Repo::trunk()
{
    std::optional<Pos> best;
    for (const char *remote : {"origin", "upstream"}) {
        for (const char *name : {"main", "master", "trunk"}) {
            auto byName = state_.remoteBookmarks.find(name);
            if (byName == state_.remoteBookmarks.end())
                continue;
            auto ref = byName->second.find(remote);
            if (ref == byName->second.end() || !ref->second.target)
                continue;
            Pos p = require(*ref->second.target);
            if (!best || commit(p).committer.time > commit(*best).committer.time)
                best = p;
        }
    }
    return best;
}

std::vector<Pos> Repo::immutableHeads()
{
    // Everything a remote has (pushed or fetched) is shared history.
    std::vector<Pos> heads;
    for (const auto &[name, remotes] : state_.remoteBookmarks)
        for (const auto &[remote, ref] : remotes)
            if (ref.target)
                heads.push_back(require(*ref.target));
    if (auto t = trunk())
        heads.push_back(*t);
    heads.push_back(0);
    return heads;
}

const std::vector<char> &Repo::immutable()
{
    if (immutable_.size() != index_.size())
        immutable_ = ancestorsOf(immutableHeads());
    return immutable_;
}

const std::vector<std::vector<Pos>> &Repo::visibleChildren()
{
    const auto &vis = visible();
    if (!childrenValid_ || children_.size() != index_.size()) {
        children_.assign(index_.size(), {});
        for (size_t i = 1; i < index_.size(); ++i) {
            if (!vis[i])
                continue;
            for (Pos parent : index_.at(static_cast<Pos>(i)).parents)
                children_[static_cast<size_t>(parent)].push_back(static_cast<Pos>(i));
        }
        childrenValid_ = true;
    }
    return children_;
}

const std::vector<std::string> &Repo::commitHexes()
{
    if (commitHexesFor_ != index_.size()) {
        commitHexes_.resize(index_.size());
        for (size_t i = commitHexesFor_; i < index_.size(); ++i)
            commitHexes_[i] = index_.at(static_cast<Pos>(i)).id.hex();
        commitHexesFor_ = index_.size();
        commitPrefixes_.reset();
    }
    return commitHexes_;
}

const PrefixIndex &Repo::changePrefixes()
{
    if (!changePrefixes_) {
        std::vector<std::string> keys;
        keys.reserve(index_.size());
        for (size_t i = 0; i < index_.size(); ++i)
            keys.push_back(index_.at(static_cast<Pos>(i)).change);
        changePrefixes_.emplace(std::move(keys));
    }
    return *changePrefixes_;
}

const PrefixIndex &Repo::commitPrefixes()
{
    const auto &hexes = commitHexes();
    if (!commitPrefixes_)
        commitPrefixes_.emplace(hexes);
    return *commitPrefixes_;
}

void Repo::ensureEmptyTree()
{
    if (emptyTreeWritten_)
        return;
    git_odb *rawOdb = nullptr;
    gitCheck(git_repository_odb(&rawOdb, git()), "cannot open the object database");
    OdbPtr odb(rawOdb);
    if (!git_odb_exists(odb.get(), emptyTreeId().get())) {
        git_treebuilder *rawBuilder = nullptr;
        gitCheck(git_treebuilder_new(&rawBuilder, git(), nullptr), "cannot build a tree");
        TreeBuilderPtr builder(rawBuilder);
        Oid id;
        gitCheck(git_treebuilder_write(id.out(), builder.get()), "cannot write the empty tree");
    }
    emptyTreeWritten_ = true;
}

Oid Repo::mergeTrees(const Oid &base, const Oid &ours, const Oid &theirs, const std::string &what)
{
    if (ours == theirs || base == theirs)
        return ours;
    if (base == ours)
        return theirs;
    auto lookup = [&](const Oid &id) {
        git_tree *raw = nullptr;
        gitCheck(git_tree_lookup(&raw, git(), id.get()), "cannot read tree " + id.hex());
        return TreePtr(raw);
    };
    TreePtr b = lookup(base), o = lookup(ours), t = lookup(theirs);
    git_merge_options opts = GIT_MERGE_OPTIONS_INIT;
    opts.flags = 0; // plain content merge, like jj: no rename detection
    git_index *rawIndex = nullptr;
    gitCheck(git_merge_trees(&rawIndex, git(), b.get(), o.get(), t.get(), &opts),
             "cannot merge trees");
    IndexPtr merged(rawIndex);
    if (git_index_has_conflicts(merged.get())) {
        std::set<std::string> paths;
        git_index_conflict_iterator *rawIt = nullptr;
        gitCheck(git_index_conflict_iterator_new(&rawIt, merged.get()), "cannot list conflicts");
        const git_index_entry *ancestor, *our, *their;
        while (git_index_conflict_next(&ancestor, &our, &their, rawIt) == 0) {
            const git_index_entry *e = our ? our : (their ? their : ancestor);
            if (e)
                paths.insert(e->path);
        }
        git_index_conflict_iterator_free(rawIt);
        std::string list;
        for (const auto &p : paths)
            list += (list.empty() ? "" : ", ") + p;
        throw UserError(
            what + " would have conflicts in: " + list,
            {"This jj does not record conflicts; resolve them in the working copy first."});
    }
    Oid out;
    gitCheck(git_index_write_tree_to(out.out(), merged.get(), git()), "cannot write merged tree");
    return out;
}

Oid Repo::parentsTree(const std::vector<Pos> &parents)
{
    if (parents.empty())
        return emptyTreeId();
    Oid tree = commit(parents[0]).tree;
    std::vector<Pos> merged{parents[0]};
    for (size_t i = 1; i < parents.size(); ++i) {
        Pos next = parents[i];
        // The best common ancestor: the highest-positioned commit both sides reach.
        auto a = ancestorsOf(merged);
        auto b = ancestorsOf({next});
        Pos base = 0;
        for (size_t k = a.size(); k-- > 0;)
            if (a[k] && b[k]) {
                base = static_cast<Pos>(k);
                break;
            }
        tree = mergeTrees(commit(base).tree, tree, commit(next).tree, "Merging the parents");
        merged.push_back(next);
    }
    return tree;
}

Signature Repo::signatureNow() const
{
    Timestamp t = commandTime();
    return Signature{identity_.name, identity_.email, t.seconds, t.offsetMinutes};
}

ChangeId Repo::newChangeId()
{
    if (!generator_)
        generator_.emplace(randomnessSeed(), state_.idCounter);
    ChangeId id = generator_->next([this](const ChangeId &c) { return index_.knowsChangeId(c); });
    state_.idCounter = generator_->counter();
    return id;
}

Pos Repo::writeCommit(const std::vector<Pos> &parents, const Oid &tree,
                      const std::string &description, const ChangeId &change,
                      const Signature &author, const Signature &committer)
{
    std::string buffer = "tree " + tree.hex() + "\n";
    for (Pos p : parents)
        if (p != 0)
            buffer += "parent " + commit(p).id.hex() + "\n";
    buffer += formatSignatureLine("author", author);
    buffer += formatSignatureLine("committer", committer);
    buffer += "change-id " + change + "\n\n";
    buffer += description;
    git_odb *rawOdb = nullptr;
    gitCheck(git_repository_odb(&rawOdb, git()), "cannot open the object database");
    OdbPtr odb(rawOdb);
    Oid id;
    gitCheck(git_odb_write(id.out(), odb.get(), buffer.data(), buffer.size(), GIT_OBJECT_COMMIT),
             "cannot write commit");
    CommitRecord record;
    record.id = id;
    record.change = change;
    record.parents = parents.empty() ? std::vector<Pos>{0} : parents;
    record.tree = tree;
    record.author = author;
    record.committer = committer;
    record.description = description;
    record.empty = tree == parentsTree(record.parents);
    // Keep the stored author/committer exactly as git will read them back.
    record.author.name = sanitizeSignaturePart(author.name);
    record.author.email = sanitizeSignaturePart(author.email);
    record.committer.name = sanitizeSignaturePart(committer.name);
    record.committer.email = sanitizeSignaturePart(committer.email);
    Pos pos = index_.add(std::move(record));
    changePrefixes_.reset();
    return pos;
}

WorkingCopy &Repo::workingCopy()
{
    if (!workingCopy_)
        workingCopy_ = std::make_unique<WorkingCopy>(*this);
    return *workingCopy_;
}

bool isDiscardable(const CommitRecord &commit)
{
    return commit.description.empty() && commit.empty;
}

void throwImmutable(Repo &repo, const std::vector<Pos> &rewritten)
{
    const auto &imm = repo.immutable();
    std::vector<Pos> hits;
    for (Pos p : rewritten)
        if (imm[static_cast<size_t>(p)])
            hits.push_back(p);
    if (hits.empty())
        throw InternalError("no immutable commit to report");
    std::sort(hits.begin(), hits.end(), std::greater<>());
    hits.erase(std::unique(hits.begin(), hits.end()), hits.end());
    Pos first = hits.front();
    if (std::find(hits.begin(), hits.end(), 0) != hits.end())
        throw UserError("The root commit 000000000000 is immutable");
    Templates templates(repo);
    throw UserError(
        "Commit " + repo.commit(first).id.hex().substr(0, 12) + " is immutable",
        {"Could not modify commit: " + templates.summary(first),
         "Immutable commits are used to protect shared history.",
         "For more information, see:\n"
         "      - https://docs.jj-vcs.dev/latest/config/#set-of-immutable-commits\n"
         "      - `jj help -k config`, \"Set of immutable commits\"",
         "This operation would rewrite " + std::to_string(hits.size()) + " immutable commits."});
}

void checkRewritable(Repo &repo, const std::vector<Pos> &commits)
{
    const auto &imm = repo.immutable();
    for (Pos p : commits)
        if (imm[static_cast<size_t>(p)])
            throwImmutable(repo, commits);
}

} // namespace jj

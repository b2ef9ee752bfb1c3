#include "GitRefs.h"

#include "Error.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <unistd.h>

namespace jj {

namespace {

void clearStaleLock(Repo &repo, const std::string &name)
{
    ::unlink((repo.layout().gitDir() / (name + ".lock")).c_str());
}

std::optional<Oid> currentTarget(Repo &repo, const std::string &name)
{
    Oid id;
    if (git_reference_name_to_id(id.out(), repo.git(), name.c_str()) < 0) {
        git_error_clear();
        return std::nullopt;
    }
    return id;
}

} // namespace

bool isValidBookmarkName(const std::string &name)
{
    int valid = 0;
    if (name.empty() || git_reference_name_is_valid(&valid, ("refs/heads/" + name).c_str()) < 0) {
        git_error_clear();
        return false;
    }
    return valid != 0;
}

void setGitRef(Repo &repo, const std::string &name, const Oid &target)
{
    if (currentTarget(repo, name) == target)
        return;
    clearStaleLock(repo, name);
    git_reference *raw = nullptr;
    gitCheck(git_reference_create(&raw, repo.git(), name.c_str(), target.get(), 1, "jj"),
             "cannot set " + name);
    git_reference_free(raw);
}

namespace {

void deleteGitRef(Repo &repo, const std::string &name)
{
    git_reference *raw = nullptr;
    if (git_reference_lookup(&raw, repo.git(), name.c_str()) < 0) {
        git_error_clear();
        return;
    }
    ReferencePtr ref(raw);
    clearStaleLock(repo, name);
    clearStaleLock(repo, "packed-refs");
    gitCheck(git_reference_delete(ref.get()), "cannot delete " + name);
}

} // namespace

void forEachDirectReference(Repo &repo, const char *glob,
                            const std::function<void(const std::string &, const Oid &)> &visit)
{
    git_reference_iterator *rawIt = nullptr;
    if (git_reference_iterator_glob_new(&rawIt, repo.git(), glob) < 0) {
        git_error_clear();
        return;
    }
    ReferenceIteratorPtr it(rawIt);
    git_reference *rawRef = nullptr;
    while (git_reference_next(&rawRef, it.get()) == 0) {
        ReferencePtr ref(rawRef);
        if (git_reference_type(ref.get()) == GIT_REFERENCE_DIRECT)
            visit(git_reference_name(ref.get()), Oid(*git_reference_target(ref.get())));
    }
    git_error_clear();
}

void exportToGit(Repo &repo, const RepoState &before, bool workingCopyMoved)
{
    const RepoState &state = repo.state();
    std::vector<std::pair<std::string, std::string>> failures;

    for (const auto &[name, target] : before.bookmarks)
        if (!state.bookmarks.count(name)) {
            try {
                deleteGitRef(repo, "refs/heads/" + name);
            } catch (const InternalError &e) {
                failures.emplace_back(name, e.what());
            }
        }
    for (const auto &[name, target] : state.bookmarks) {
        if (target.isZero())
            continue; // git has no name for the root commit
        try {
            setGitRef(repo, "refs/heads/" + name, target);
        } catch (const InternalError &e) {
            failures.emplace_back(name, e.what());
        }
    }
    for (const auto &[name, remotes] : state.remoteBookmarks)
        for (const auto &[remote, ref] : remotes) {
            std::string refName = "refs/remotes/" + remote + "/" + name;
            try {
                if (ref.target && !ref.target->isZero())
                    setGitRef(repo, refName, *ref.target);
            } catch (const InternalError &) {
                // remote-tracking refs are a convenience for git users; never fatal
            }
        }
    for (const auto &[name, remotes] : before.remoteBookmarks)
        for (const auto &[remote, ref] : remotes) {
            auto n = state.remoteBookmarks.find(name);
            bool still = n != state.remoteBookmarks.end() && n->second.count(remote) &&
                         n->second.at(remote).target.has_value();
            if (ref.target && !still) {
                try {
                    deleteGitRef(repo, "refs/remotes/" + remote + "/" + name);
                } catch (const InternalError &) {
                }
            }
        }
    if (!failures.empty()) {
        std::fputs("Warning: Failed to export some bookmarks:\n", stderr);
        for (const auto &[name, why] : failures)
            std::fprintf(stderr, "  %s: %s\n", name.c_str(), why.c_str());
    }

    // Keep-refs: one per visible head, so git never collects a visible commit.
    std::set<std::string> wanted;
    for (const Oid &h : state.heads)
        if (!h.isZero())
            wanted.insert("refs/jj/keep/" + h.hex());
    std::vector<std::string> existing;
    forEachDirectReference(repo, "refs/jj/keep/*",
                           [&](const std::string &name, const Oid &) { existing.push_back(name); });
    for (const auto &name : existing)
        if (!wanted.count(name))
            deleteGitRef(repo, name);
    for (const auto &name : wanted)
        if (std::find(existing.begin(), existing.end(), name) == existing.end())
            setGitRef(repo, name, Oid::fromHex(name.substr(name.size() - GIT_OID_HEXSZ)));

    // HEAD follows the working copy's first parent, as in any colocated repository.
    const CommitRecord &wc = repo.commit(repo.workingCopyPos());
    Pos parent = wc.parents.empty() ? 0 : wc.parents.front();
    clearStaleLock(repo, "HEAD");
    if (parent == 0) {
        git_reference *raw = nullptr;
        if (git_reference_symbolic_create(&raw, repo.git(), "HEAD", "refs/jj/root", 1, "jj") == 0)
            git_reference_free(raw);
        git_error_clear();
    } else {
        Oid head;
        bool detachedThere = git_repository_head_detached(repo.git()) == 1 &&
                             git_reference_name_to_id(head.out(), repo.git(), "HEAD") == 0 &&
                             head == repo.commit(parent).id;
        git_error_clear();
        if (!detachedThere)
            gitCheck(git_repository_set_head_detached(repo.git(), repo.commit(parent).id.get()),
                     "cannot move HEAD");
    }

    // git's own index shows @'s changes as unstaged, like after `git reset`.
    if (workingCopyMoved) {
        auto path = repo.layout().gitDir() / "index";
        ::unlink((path.string() + ".lock").c_str());
        git_index *rawIndex = nullptr;
        if (git_index_open(&rawIndex, path.c_str()) == 0) {
            IndexPtr gitIndex(rawIndex);
            git_tree *rawTree = nullptr;
            Oid treeId = repo.parentsTree(wc.parents);
            if (git_tree_lookup(&rawTree, repo.git(), treeId.get()) == 0) {
                TreePtr tree(rawTree);
                if (git_index_read_tree(gitIndex.get(), tree.get()) == 0)
                    git_index_write(gitIndex.get());
            }
        }
        git_error_clear();
    }
}

} // namespace jj

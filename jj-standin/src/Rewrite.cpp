// The rewrite engine: one Transaction per command.

#include "Error.h"
#include "GitRefs.h"
#include "Repo.h"
#include "Templates.h"
#include "WorkingCopy.h"

#include <algorithm>
#include <functional>

namespace jj {

Transaction::Transaction(Repo &repo)
    : repo_(repo), originalState_(repo.state()), originalWorkingCopy_(repo.workingCopyPos())
{}

Pos Transaction::rewrittenTo(Pos old) const
{
    auto it = replaced_.find(old);
    return it == replaced_.end() ? old : it->second;
}

Pos Transaction::newCommit(const std::vector<Pos> &parents, const Oid &tree,
                           const std::string &description)
{
    Signature now = repo_.signatureNow();
    Pos pos = repo_.writeCommit(parents, tree, description, repo_.newChangeId(), now, now);
    created_.push_back(pos);
    return pos;
}

Signature Transaction::rewrittenAuthor(const CommitRecord &old, const Signature &committer) const
{
    Signature author = old.author;
    if (author.name.empty())
        author.name = committer.name;
    if (author.email.empty())
        author.email = committer.email;
    // A change that still holds nothing dates from when it first gets something.
    if (author.name == committer.name && author.email == committer.email && isDiscardable(old)) {
        author.time = committer.time;
        author.offsetMinutes = committer.offsetMinutes;
    }
    return author;
}

Pos Transaction::rewrite(Pos old, std::optional<std::vector<Pos>> parents, std::optional<Oid> tree,
                         std::optional<std::string> description)
{
    const CommitRecord base = repo_.commit(old);
    Signature committer = repo_.signatureNow();
    Pos pos = repo_.writeCommit(parents ? *parents : base.parents, tree ? *tree : base.tree,
                                description ? *description : base.description, base.change,
                                rewrittenAuthor(base, committer), committer);
    // Rewriting a commit this transaction already made or rewrote supersedes it.
    if (auto created = std::find(created_.begin(), created_.end(), old);
        created != created_.end()) {
        *created = pos;
        return pos;
    }
    for (auto &[from, to] : replaced_)
        if (to == old) {
            to = pos;
            return pos;
        }
    replaced_[old] = pos;
    return pos;
}

void Transaction::abandon(Pos pos)
{
    abandoned_.insert(pos);
}

void Transaction::overrideParents(Pos pos, std::vector<Pos> parents)
{
    overrides_[pos] = std::move(parents);
}

std::vector<Pos> Transaction::resolveAbandoned(Pos pos) const
{
    if (!abandoned_.count(pos))
        return {pos};
    std::vector<Pos> out;
    for (Pos parent : repo_.commit(pos).parents)
        for (Pos p : resolveAbandoned(parent))
            out.push_back(p);
    return out;
}

std::vector<Pos> Transaction::mapParents(const std::vector<Pos> &oldParents) const
{
    std::vector<Pos> out;
    for (Pos parent : oldParents)
        for (Pos p : resolveAbandoned(parent)) {
            Pos mapped = rewrittenTo(p);
            if (std::find(out.begin(), out.end(), mapped) == out.end())
                out.push_back(mapped);
        }
    if (out.empty())
        out.push_back(0);
    return out;
}

int Transaction::rebaseDescendants()
{
    const auto &children = repo_.visibleChildren();
    std::set<Pos> work;
    std::vector<Pos> stack;
    auto seed = [&](Pos p) {
        for (Pos c : children[static_cast<size_t>(p)])
            stack.push_back(c);
    };
    for (const auto &[from, to] : replaced_)
        seed(from);
    for (Pos p : abandoned_)
        seed(p);
    for (const auto &[p, parents] : overrides_) {
        stack.push_back(p);
        seed(p);
    }
    while (!stack.empty()) {
        Pos p = stack.back();
        stack.pop_back();
        if (replaced_.count(p) || abandoned_.count(p) || !work.insert(p).second)
            continue;
        seed(p);
    }

    auto oldParents = [&](Pos p) {
        auto it = overrides_.find(p);
        return it != overrides_.end() ? it->second : repo_.commit(p).parents;
    };

    // Order the work so every commit comes after its new parents; a cycle means
    // the requested shape is impossible.
    std::vector<Pos> order;
    std::map<Pos, int> mark; // 1 = on the path, 2 = done
    for (Pos start : work) {
        if (mark[start] == 2)
            continue;
        std::vector<std::pair<Pos, size_t>> dfs{{start, 0}};
        mark[start] = 1;
        while (!dfs.empty()) {
            auto &[node, next] = dfs.back();
            std::vector<Pos> deps;
            for (Pos parent : oldParents(node))
                for (Pos r : resolveAbandoned(parent))
                    if (work.count(r))
                        deps.push_back(r);
            if (next < deps.size()) {
                Pos dep = deps[next++];
                if (mark[dep] == 1)
                    throw UserError(
                        "Refusing to create a loop: commit " +
                        repo_.commit(dep).id.hex().substr(0, 12) +
                        " would be both an ancestor and a descendant of the rebased commits");
                if (mark[dep] == 0) {
                    mark[dep] = 1;
                    dfs.emplace_back(dep, 0);
                }
                continue;
            }
            mark[node] = 2;
            order.push_back(node);
            dfs.pop_back();
        }
    }

    int rebased = 0;
    for (Pos p : order) {
        const CommitRecord old = repo_.commit(p);
        std::vector<Pos> parents = mapParents(oldParents(p));
        if (parents == old.parents)
            continue;
        Oid oldBase = repo_.parentsTree(old.parents);
        Oid newBase = repo_.parentsTree(parents);
        Templates templates(repo_);
        Oid tree =
            repo_.mergeTrees(oldBase, newBase, old.tree, "Rebasing " + templates.summary(p, false));
        Signature committer = repo_.signatureNow();
        Pos pos = repo_.writeCommit(parents, tree, old.description, old.change,
                                    rewrittenAuthor(old, committer), committer);
        replaced_[p] = pos;
        ++rebased;
    }
    return rebased;
}

void Transaction::setWorkingCopy(Pos pos)
{
    Pos current = repo_.workingCopyPos();
    if (current == pos)
        return;
    if (replaced_.count(current)) {
        // @ was rewritten in this transaction; its new version stays.
        repo_.state().workingCopy = repo_.commit(pos).id;
        return;
    }
    const CommitRecord &old = repo_.commit(current);
    bool bookmarked = false;
    for (const auto &[name, target] : repo_.state().bookmarks)
        bookmarked |= target == old.id;
    bool head = true;
    for (Pos c : repo_.visibleChildren()[static_cast<size_t>(current)])
        head &= abandoned_.count(c) > 0;
    auto isParent = [&](Pos child) {
        const auto &ps = repo_.commit(child).parents;
        return std::find(ps.begin(), ps.end(), current) != ps.end();
    };
    for (Pos c : created_)
        head &= !isParent(c);
    for (const auto &[from, to] : replaced_)
        head &= !isParent(to);
    // A head nobody points at that holds nothing is just left behind by moving away.
    if (isDiscardable(old) && !bookmarked && head && current != 0 && current != pos)
        abandoned_.insert(current);
    repo_.state().workingCopy = repo_.commit(pos).id;
}

void Transaction::updateReferences()
{
    if (referencesUpdated_)
        return;
    referencesUpdated_ = true;
    RepoState &state = repo_.state();
    for (auto it = state.bookmarks.begin(); it != state.bookmarks.end();) {
        Pos p = repo_.require(it->second);
        if (abandoned_.count(p)) {
            it = state.bookmarks.erase(it); // as the real tool does by default
            continue;
        }
        it->second = repo_.commit(rewrittenTo(p)).id;
        ++it;
    }
    Pos wc = repo_.workingCopyPos();
    if (abandoned_.count(wc)) {
        std::vector<Pos> parents = mapParents(repo_.commit(wc).parents);
        Pos fresh = newCommit(parents, repo_.parentsTree(parents), "");
        state.workingCopy = repo_.commit(fresh).id;
    } else {
        state.workingCopy = repo_.commit(rewrittenTo(wc)).id;
    }
}

std::vector<Oid> Transaction::computeHeads()
{
    std::vector<Pos> roots;
    for (const Oid &h : originalState_.heads) {
        Pos p = repo_.require(h);
        if (replaced_.count(p) || abandoned_.count(p))
            continue;
        roots.push_back(p);
    }
    for (const auto &[from, to] : replaced_)
        roots.push_back(to);
    for (Pos a : abandoned_)
        for (Pos p : mapParents(repo_.commit(a).parents))
            roots.push_back(p);
    for (Pos c : created_)
        roots.push_back(c);
    const RepoState &state = repo_.state();
    roots.push_back(repo_.require(state.workingCopy));
    for (const auto &[name, target] : state.bookmarks)
        roots.push_back(repo_.require(target));
    for (const auto &[name, remotes] : state.remoteBookmarks)
        for (const auto &[remote, ref] : remotes)
            if (ref.target)
                roots.push_back(repo_.require(*ref.target));
    // Keep only the roots no other root descends from.
    std::sort(roots.begin(), roots.end());
    roots.erase(std::unique(roots.begin(), roots.end()), roots.end());
    std::vector<char> below = repo_.ancestorsOf([&] {
        std::vector<Pos> ps;
        for (Pos r : roots)
            for (Pos parent : repo_.commit(r).parents)
                ps.push_back(parent);
        return ps;
    }());
    std::vector<Oid> heads;
    for (Pos r : roots)
        if (r != 0 && !below[static_cast<size_t>(r)])
            heads.push_back(repo_.commit(r).id);
    if (heads.empty())
        heads.push_back(repo_.commit(0).id);
    std::sort(heads.begin(), heads.end());
    return heads;
}

FinishResult Transaction::finish(const std::optional<Oid> &filesAlreadyThere)
{
    updateReferences();
    RepoState &state = repo_.state();
    repo_.viewChanged();

    FinishResult result;
    // Shared history must not be the working copy: start a new change on top.
    Pos wc = repo_.workingCopyPos();
    if (wc != 0 && repo_.immutable()[static_cast<size_t>(wc)]) {
        Pos fresh = newCommit({wc}, repo_.commit(wc).tree, "");
        state.workingCopy = repo_.commit(fresh).id;
        result.workingCopyBecameImmutable = true;
    }
    state.heads = computeHeads();
    repo_.viewChanged();

    auto sameView = [](const RepoState &a, const RepoState &b) {
        if (a.workingCopy != b.workingCopy || a.heads != b.heads || a.bookmarks != b.bookmarks)
            return false;
        if (a.remoteBookmarks.size() != b.remoteBookmarks.size())
            return false;
        for (auto ia = a.remoteBookmarks.begin(), ib = b.remoteBookmarks.begin();
             ia != a.remoteBookmarks.end(); ++ia, ++ib) {
            if (ia->first != ib->first || ia->second.size() != ib->second.size())
                return false;
            for (auto ra = ia->second.begin(), rb = ib->second.begin(); ra != ia->second.end();
                 ++ra, ++rb)
                if (ra->first != rb->first || ra->second.target != rb->second.target ||
                    ra->second.tracked != rb->second.tracked)
                    return false;
        }
        return true;
    };
    std::vector<Oid> originalHeads = originalState_.heads;
    std::sort(originalHeads.begin(), originalHeads.end());
    RepoState normalizedOriginal = originalState_;
    normalizedOriginal.heads = originalHeads;
    if (sameView(normalizedOriginal, state)) {
        state.idCounter = originalState_.idCounter;
        return result;
    }
    result.changed = true;
    result.oldWorkingCopy = originalWorkingCopy_;
    result.newWorkingCopy = repo_.workingCopyPos();
    result.workingCopyMoved = result.oldWorkingCopy != result.newWorkingCopy;

    // Order matters: objects, then the index that describes them, then the view
    // that names them, then the files on disk, then git's refs. A kill between
    // any two steps leaves a repository every command can still read.
    faultPoint("before-index");
    repo_.index().appendNew(repo_.layout().indexFile());
    faultPoint("before-state");
    state.save(repo_.layout().stateFile());
    faultPoint("before-checkout");
    WorkingCopy &workingCopy = repo_.workingCopy();
    if (filesAlreadyThere) {
        workingCopy.recordCheckout(result.newWorkingCopy, *filesAlreadyThere);
    } else if (result.workingCopyMoved) {
        result.stats = workingCopy.checkout(result.newWorkingCopy);
    }
    faultPoint("before-git-export");
    exportToGit(repo_, originalState_, result.workingCopyMoved);
    return result;
}

} // namespace jj

// Commands that make or rewrite changes: new, commit, describe, abandon, rebase.

#include "Commands.h"
#include "Error.h"
#include "Revset.h"
#include "Templates.h"

#include <algorithm>
#include <functional>
#include <set>

namespace jj {

namespace {

// Every revision named, visible ones only, newest first, without repeats.
std::vector<Pos> resolveUnion(Repo &repo, const std::vector<std::string> &revisions,
                              size_t *hidden = nullptr)
{
    Revsets revsets(repo);
    std::set<Pos, std::greater<>> all;
    for (const auto &r : revisions)
        for (Pos p : revsets.evaluate(r))
            all.insert(p);
    const auto &visible = repo.visible();
    std::vector<Pos> out;
    for (Pos p : all) {
        if (visible[static_cast<size_t>(p)])
            out.push_back(p);
        else if (hidden)
            ++*hidden;
    }
    return out;
}

std::string shortHash(Repo &repo, Pos p)
{
    return repo.commit(p).id.hex().substr(0, 12);
}

} // namespace

int runNew(const cli::New &cmd, Context &ctx)
{
    auto repo = openWorkspace(ctx);
    std::vector<Pos> parents;
    if (cmd.parents.empty()) {
        parents.push_back(repo->workingCopyPos());
    } else {
        Revsets revsets(*repo);
        for (const auto &r : cmd.parents) {
            Pos p = revsets.single(r);
            if (std::find(parents.begin(), parents.end(), p) == parents.end())
                parents.push_back(p);
        }
    }
    Transaction tx(*repo);
    Oid tree = repo->parentsTree(parents);
    Pos fresh = tx.newCommit(parents, tree, descriptionFromMessage(cmd.message.value_or("")));
    tx.setWorkingCopy(fresh);
    reportFinish(ctx, *repo, tx.finish());
    return 0;
}

int runCommit(const cli::Commit &cmd, Context &ctx)
{
    auto repo = openWorkspace(ctx);
    Pos wc = repo->workingCopyPos();
    Transaction tx(*repo);
    Pos described = tx.rewrite(wc, std::nullopt, std::nullopt, descriptionFromMessage(cmd.message));
    int rebased = tx.rebaseDescendants();
    Pos fresh = tx.newCommit({described}, repo->commit(described).tree, "");
    tx.setWorkingCopy(fresh);
    if (rebased > 0)
        ctx.err += "Rebased " + std::to_string(rebased) + " descendant commits.\n";
    reportFinish(ctx, *repo, tx.finish());
    return 0;
}

int runDescribe(const cli::Describe &cmd, Context &ctx)
{
    auto repo = openWorkspace(ctx);
    Pos target = Revsets(*repo).single(cmd.revision);
    std::string description = descriptionFromMessage(cmd.message);
    if (repo->commit(target).description == description) {
        ctx.err += "Nothing changed.\n";
        return 0;
    }
    checkRewritable(*repo, {target});
    Transaction tx(*repo);
    tx.rewrite(target, std::nullopt, std::nullopt, description);
    int rebased = tx.rebaseDescendants();
    if (rebased > 0)
        ctx.err += "Rebased " + std::to_string(rebased) + " descendant commits.\n";
    reportFinish(ctx, *repo, tx.finish());
    return 0;
}

int runAbandon(const cli::Abandon &cmd, Context &ctx)
{
    auto repo = openWorkspace(ctx);
    size_t hidden = 0;
    std::vector<Pos> targets = resolveUnion(*repo, cmd.revisions, &hidden);
    if (hidden > 0)
        ctx.err += "Skipping " + std::to_string(hidden) + " revisions that are already hidden.\n";
    if (targets.empty()) {
        ctx.err += "No revisions to abandon.\n";
        return 0;
    }
    checkRewritable(*repo, targets);

    std::string report = "Abandoned " + std::to_string(targets.size()) + " commits:\n";
    {
        Templates before(*repo);
        size_t shown = 0;
        for (Pos p : targets) {
            if (shown++ == 10) {
                report += "  ...\n";
                break;
            }
            report += "  " + before.summary(p) + "\n";
        }
    }
    std::vector<std::string> deleted;
    for (const auto &[name, target] : repo->state().bookmarks)
        if (std::find(targets.begin(), targets.end(), repo->require(target)) != targets.end())
            deleted.push_back(name);

    Transaction tx(*repo);
    for (Pos p : targets)
        tx.abandon(p);
    int rebased = tx.rebaseDescendants();
    ctx.err += report;
    if (!deleted.empty()) {
        std::string list;
        for (const auto &name : deleted)
            list += (list.empty() ? "" : ", ") + name;
        ctx.err += "Deleted bookmarks: " + list + "\n";
    }
    if (rebased > 0)
        ctx.err += "Rebased " + std::to_string(rebased) +
                   " descendant commits onto parents of abandoned commits.\n";
    reportFinish(ctx, *repo, tx.finish());
    return 0;
}

int runRebase(const cli::Rebase &cmd, Context &ctx)
{
    auto repo = openWorkspace(ctx);
    std::vector<Pos> moving = resolveUnion(*repo, cmd.revisions);
    Pos after = Revsets(*repo).single(cmd.insertAfter);
    if (moving.empty()) {
        ctx.err += "Nothing changed.\n";
        return 0;
    }
    checkRewritable(*repo, moving);
    std::set<Pos> moved(moving.begin(), moving.end());
    if (moved.count(after))
        throw UserError("Refusing to create a loop: commit " + shortHash(*repo, after) +
                        " would be both an ancestor and a descendant of the rebased commits");

    const auto &children = repo->visibleChildren();
    std::vector<Pos> newChildren;
    for (Pos c : children[static_cast<size_t>(after)])
        if (!moved.count(c))
            newChildren.push_back(c);
    checkRewritable(*repo, newChildren);

    // Strict descendants of the moved commits.
    std::set<Pos> below;
    {
        std::set<Pos> seen(moving.begin(), moving.end());
        std::vector<Pos> stack(moving.begin(), moving.end());
        while (!stack.empty()) {
            Pos p = stack.back();
            stack.pop_back();
            for (Pos c : children[static_cast<size_t>(p)])
                if (seen.insert(c).second)
                    stack.push_back(c);
        }
        for (Pos p : seen)
            if (!moved.count(p))
                below.insert(p);
    }

    // Parents a moved commit keeps among the moved set, looking through the
    // commits between them, so gaps in the set close up.
    std::function<std::vector<Pos>(Pos)> internalThrough = [&](Pos p) -> std::vector<Pos> {
        if (moved.count(p))
            return {p};
        if (!below.count(p))
            return {};
        std::vector<Pos> out;
        for (Pos q : repo->commit(p).parents)
            for (Pos r : internalThrough(q))
                out.push_back(r);
        return out;
    };
    // Where a moved commit's children outside the set attach instead.
    std::function<std::vector<Pos>(Pos)> externalParents = [&](Pos p) -> std::vector<Pos> {
        std::vector<Pos> out;
        for (Pos q : repo->commit(p).parents) {
            if (moved.count(q))
                for (Pos r : externalParents(q))
                    out.push_back(r);
            else
                out.push_back(q);
        }
        return out;
    };

    Transaction tx(*repo);
    std::map<Pos, std::vector<Pos>> internal;
    std::set<Pos> hasInternalChild;
    for (Pos x : moving) {
        std::vector<Pos> ip;
        for (Pos q : repo->commit(x).parents)
            for (Pos r : internalThrough(q))
                if (std::find(ip.begin(), ip.end(), r) == ip.end())
                    ip.push_back(r);
        for (Pos r : ip)
            hasInternalChild.insert(r);
        internal[x] = ip;
    }
    std::vector<Pos> heads;
    for (auto it = moving.rbegin(); it != moving.rend(); ++it)
        if (!hasInternalChild.count(*it))
            heads.push_back(*it);
    for (Pos x : moving)
        tx.overrideParents(x, internal[x].empty() ? std::vector<Pos>{after} : internal[x]);
    auto reattach = [&](Pos c, bool isNewChild) {
        std::vector<Pos> parents;
        bool changed = false;
        for (Pos q : repo->commit(c).parents) {
            if (isNewChild && q == after) {
                parents.insert(parents.end(), heads.begin(), heads.end());
                changed = true;
            } else if (moved.count(q)) {
                auto ext = externalParents(q);
                parents.insert(parents.end(), ext.begin(), ext.end());
                changed = true;
            } else {
                parents.push_back(q);
            }
        }
        if (changed)
            tx.overrideParents(c, parents);
    };
    for (Pos c : newChildren)
        reattach(c, true);
    for (Pos d : below)
        if (std::find(newChildren.begin(), newChildren.end(), d) == newChildren.end())
            reattach(d, false);

    int total = tx.rebaseDescendants();
    int targets = 0;
    for (Pos x : moving)
        targets += tx.wasRewritten(x) ? 1 : 0;
    int skipped = static_cast<int>(moving.size()) - targets;
    if (skipped > 0)
        ctx.err += "Skipped rebase of " + std::to_string(skipped) +
                   " commits that were already in place\n";
    if (targets > 0)
        ctx.err += "Rebased " + std::to_string(targets) + " commits to destination.\n";
    if (total - targets > 0)
        ctx.err += "Rebased " + std::to_string(total - targets) + " descendant commits.\n";
    reportFinish(ctx, *repo, tx.finish());
    return 0;
}

} // namespace jj

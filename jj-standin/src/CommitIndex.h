#pragma once

// Everything log, show and the rewrite machinery need to know about a commit,
// kept in .jj so that reading 10000 changes never touches git's object store.
// Commit ids are content hashes, so a record never goes stale: the file is an
// append-only cache whose order is a topological order (parents first).

#include "Environment.h"
#include "Git.h"
#include "Ids.h"

#include <filesystem>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace jj {

using Pos = int32_t; // a commit's position in the index; 0 is the root commit

struct CommitRecord {
    Oid id;
    ChangeId change;
    std::vector<Pos> parents; // empty only for the root commit
    Oid tree;
    bool empty = false; // the tree equals the parents' merged tree
    Signature author;
    Signature committer;
    std::string description;
};

class CommitIndex {
public:
    CommitIndex();

    // Reads the file if there is one. A torn last line (a writer killed
    // mid-append) is ignored and cut off before the next append.
    void load(const std::filesystem::path &file);
    // Appends the records added since load() and forgets that they are new.
    void appendNew(const std::filesystem::path &file);
    bool hasNew() const { return records_.size() > persisted_; }

    // Adds a record whose parents are already present; returns the existing
    // position when the commit is known.
    Pos add(CommitRecord record);

    std::optional<Pos> find(const Oid &id) const;
    const CommitRecord &at(Pos pos) const { return records_[static_cast<size_t>(pos)]; }
    size_t size() const { return records_.size(); }
    bool knowsChangeId(const ChangeId &id) const { return changeIds_.count(id) > 0; }

private:
    std::vector<CommitRecord> records_;
    std::unordered_map<Oid, Pos, OidHash> byId_;
    std::unordered_set<ChangeId> changeIds_;
    size_t persisted_ = 1;
    uint64_t validLength_ = 0;
};

std::string escapeField(std::string_view text);
std::string unescapeField(std::string_view text);

} // namespace jj

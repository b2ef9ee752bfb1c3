#pragma once

// The files on disk and the working-copy commit (@). A private git index in
// .jj/working_copy caches file stats so a snapshot only hashes what changed;
// a small record names the commit whose tree the files hold, so a checkout cut
// short is finished by the next command instead of being mistaken for edits.

#include "Repo.h"

#include <optional>

namespace jj {

class WorkingCopy {
public:
    explicit WorkingCopy(Repo &repo);
    ~WorkingCopy();

    // Finishes a checkout that an earlier, interrupted command left half done.
    void recover();
    // Records the working tree (ignore rules honoured) into @. Writes nothing
    // when the files match @. Returns true when @ was rewritten.
    bool snapshot();
    // Replaces the files of the checked-out tree with those of `commit`.
    CheckoutStats checkout(Pos commit);
    // The files already are `tree`, which `commit` now holds.
    void recordCheckout(Pos commit, const Oid &tree);
    // Takes the files on disk as being `commit`'s tree without touching them
    // (a workspace made over an existing git working tree).
    void adoptFiles(Pos commit);

private:
    struct Record {
        Oid commit;
        Oid tree;
    };
    std::optional<Record> readRecord() const;
    void writeRecord(const Record &record);
    git_index *index();
    void writeIndex();
    CheckoutStats checkoutTrees(const Oid &from, const Oid &to);

    Repo &repo_;
    IndexPtr index_;
    std::optional<Record> record_;
};

CheckoutStats diffStats(git_repository *repo, const Oid &from, const Oid &to);

} // namespace jj

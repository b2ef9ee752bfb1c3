#pragma once

// Change ids (32 letters k..z: the 16 id bytes written as hex with 0..f mapped to
// z..k) and the shortest-unique-prefix machinery shared by change and commit ids.

#include "Git.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace jj {

using ChangeId = std::string;

constexpr size_t kChangeIdLength = 32;

ChangeId rootChangeId();
ChangeId changeIdFromBytes(const unsigned char *bytes16);
bool isChangeId(std::string_view text);
bool looksLikeChangeIdPrefix(std::string_view text);
bool looksLikeCommitIdPrefix(std::string_view text);

// The id given to a commit that came from git without one of ours: derived from
// the commit id (bytes 4..20 reversed, each byte's bits reversed), so every
// clone of a repository agrees on it.
ChangeId changeIdForForeignCommit(const Oid &commitId);

// Draws new change ids. With a seed the sequence is a pure function of
// (seed, counter), the counter being persisted in the repository, so runs repeat
// exactly; without one it uses the system's randomness.
class ChangeIdGenerator {
public:
    ChangeIdGenerator(std::optional<uint64_t> seed, uint64_t counter);
    // Never returns an id for which `taken` is true.
    ChangeId next(const std::function<bool(const ChangeId &)> &taken);
    uint64_t counter() const { return counter_; }

private:
    std::optional<uint64_t> seed_;
    uint64_t counter_;
};

// Keys sorted once; answers "how long must this key's prefix be to be unique"
// and "which keys start with this text".
class PrefixIndex {
public:
    PrefixIndex() = default;
    explicit PrefixIndex(std::vector<std::string> keys);
    // The lookup table points into the key storage, which a move keeps and a copy would not.
    PrefixIndex(const PrefixIndex &) = delete;
    PrefixIndex &operator=(const PrefixIndex &) = delete;
    PrefixIndex(PrefixIndex &&) = default;
    PrefixIndex &operator=(PrefixIndex &&) = default;

    // Length of the shortest prefix of `key` (a member) matching no other key.
    size_t uniqueLength(std::string_view key) const;
    // The shortest unique prefix, but never shorter than `minimum`.
    std::string shortest(std::string_view key, size_t minimum = 8) const;
    // Members starting with `prefix`, in sorted order.
    std::vector<std::string_view> matching(std::string_view prefix) const;

private:
    std::vector<std::string> keys_;
    std::unordered_map<std::string_view, uint8_t> lengths_;
};

} // namespace jj

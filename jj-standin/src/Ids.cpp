#include "Ids.h"

#include "Error.h"

#include <algorithm>
#include <fcntl.h>
#include <sys/random.h>

namespace jj {

ChangeId rootChangeId()
{
    return ChangeId(kChangeIdLength, 'z');
}

ChangeId changeIdFromBytes(const unsigned char *bytes16)
{
    ChangeId out;
    out.reserve(kChangeIdLength);
    for (int i = 0; i < 16; ++i) {
        out.push_back(static_cast<char>('z' - (bytes16[i] >> 4)));
        out.push_back(static_cast<char>('z' - (bytes16[i] & 0xf)));
    }
    return out;
}

bool looksLikeChangeIdPrefix(std::string_view text)
{
    return !text.empty() && text.size() <= kChangeIdLength &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= 'k' && c <= 'z'; });
}

bool isChangeId(std::string_view text)
{
    return text.size() == kChangeIdLength && looksLikeChangeIdPrefix(text);
}

bool looksLikeCommitIdPrefix(std::string_view text)
{
    return !text.empty() && text.size() <= GIT_OID_HEXSZ &&
           std::all_of(text.begin(), text.end(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

ChangeId changeIdForForeignCommit(const Oid &commitId)
{
    unsigned char bytes[16];
    for (int i = 0; i < 16; ++i) {
        unsigned char b = commitId.raw.id[GIT_OID_RAWSZ - 1 - i];
        unsigned char r = 0;
        for (int bit = 0; bit < 8; ++bit)
            if (b & (1u << bit))
                r |= static_cast<unsigned char>(0x80u >> bit);
        bytes[i] = r;
    }
    return changeIdFromBytes(bytes);
}

namespace {

uint64_t splitmix64(uint64_t &state)
{
    uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

} // namespace

ChangeIdGenerator::ChangeIdGenerator(std::optional<uint64_t> seed, uint64_t counter)
    : seed_(seed), counter_(counter)
{}

ChangeId ChangeIdGenerator::next(const std::function<bool(const ChangeId &)> &taken)
{
    for (;;) {
        unsigned char bytes[16];
        if (seed_) {
            uint64_t state = *seed_ ^ (counter_ * 0xd1342543de82ef95ULL);
            uint64_t a = splitmix64(state);
            uint64_t b = splitmix64(state);
            for (int i = 0; i < 8; ++i) {
                bytes[i] = static_cast<unsigned char>(a >> (8 * i));
                bytes[8 + i] = static_cast<unsigned char>(b >> (8 * i));
            }
        } else {
            size_t got = 0;
            while (got < sizeof bytes) {
                ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
                if (n <= 0)
                    throw InternalError("cannot read system randomness");
                got += static_cast<size_t>(n);
            }
        }
        ++counter_;
        ChangeId id = changeIdFromBytes(bytes);
        if (id != rootChangeId() && !taken(id))
            return id;
    }
}

PrefixIndex::PrefixIndex(std::vector<std::string> keys) : keys_(std::move(keys))
{
    std::sort(keys_.begin(), keys_.end());
    keys_.erase(std::unique(keys_.begin(), keys_.end()), keys_.end());
    auto common = [](const std::string &a, const std::string &b) {
        size_t n = std::min(a.size(), b.size()), i = 0;
        while (i < n && a[i] == b[i])
            ++i;
        return i;
    };
    lengths_.reserve(keys_.size());
    for (size_t i = 0; i < keys_.size(); ++i) {
        size_t need = 0;
        if (i > 0)
            need = std::max(need, common(keys_[i - 1], keys_[i]));
        if (i + 1 < keys_.size())
            need = std::max(need, common(keys_[i], keys_[i + 1]));
        lengths_.emplace(keys_[i], static_cast<uint8_t>(std::min(need + 1, keys_[i].size())));
    }
}

size_t PrefixIndex::uniqueLength(std::string_view key) const
{
    auto it = lengths_.find(key);
    return it == lengths_.end() ? key.size() : it->second;
}

std::string PrefixIndex::shortest(std::string_view key, size_t minimum) const
{
    size_t n = std::max(uniqueLength(key), minimum);
    return std::string(key.substr(0, std::min(n, key.size())));
}

std::vector<std::string_view> PrefixIndex::matching(std::string_view prefix) const
{
    std::vector<std::string_view> out;
    auto it = std::lower_bound(
        keys_.begin(), keys_.end(), prefix,
        [](const std::string &k, std::string_view p) { return std::string_view(k) < p; });
    for (; it != keys_.end() && std::string_view(*it).substr(0, prefix.size()) == prefix; ++it)
        out.push_back(*it);
    return out;
}

} // namespace jj

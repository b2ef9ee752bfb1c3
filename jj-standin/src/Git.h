#pragma once

// Thin RAII layer over libgit2, and object ids usable as keys.

#include <git2.h>

#include <compare>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace jj {

// Throws InternalError carrying libgit2's last message when rc < 0.
void gitCheck(int rc, std::string_view what);
std::string gitLastError();

template<typename T, void (*Free)(T *)> struct GitDeleter {
    void operator()(T *p) const
    {
        if (p)
            Free(p);
    }
};
template<typename T, void (*Free)(T *)> using GitPtr = std::unique_ptr<T, GitDeleter<T, Free>>;

using RepositoryPtr = GitPtr<git_repository, git_repository_free>;
using CommitPtr = GitPtr<git_commit, git_commit_free>;
using TreePtr = GitPtr<git_tree, git_tree_free>;
using BlobPtr = GitPtr<git_blob, git_blob_free>;
using IndexPtr = GitPtr<git_index, git_index_free>;
using DiffPtr = GitPtr<git_diff, git_diff_free>;
using RemotePtr = GitPtr<git_remote, git_remote_free>;
using ReferencePtr = GitPtr<git_reference, git_reference_free>;
using ConfigPtr = GitPtr<git_config, git_config_free>;
using OdbPtr = GitPtr<git_odb, git_odb_free>;
using TreeBuilderPtr = GitPtr<git_treebuilder, git_treebuilder_free>;
using ReferenceIteratorPtr = GitPtr<git_reference_iterator, git_reference_iterator_free>;

struct GitBuf {
    git_buf buf = GIT_BUF_INIT;
    GitBuf() = default;
    GitBuf(const GitBuf &) = delete;
    GitBuf &operator=(const GitBuf &) = delete;
    ~GitBuf() { git_buf_dispose(&buf); }
    std::string str() const { return buf.ptr ? std::string(buf.ptr, buf.size) : std::string(); }
};

struct GitStrArray {
    git_strarray array{nullptr, 0};
    GitStrArray() = default;
    GitStrArray(const GitStrArray &) = delete;
    GitStrArray &operator=(const GitStrArray &) = delete;
    ~GitStrArray() { git_strarray_dispose(&array); }
};

// A 20-byte object id that can be compared, hashed and printed.
struct Oid {
    git_oid raw{};

    Oid() = default;
    explicit Oid(const git_oid &o) : raw(o) {}
    static Oid fromHex(std::string_view hex); // throws InternalError when malformed
    static bool isHex40(std::string_view text);

    std::string hex() const;
    bool isZero() const;
    const git_oid *get() const { return &raw; }
    git_oid *out() { return &raw; }

    friend bool operator==(const Oid &a, const Oid &b)
    {
        return std::memcmp(a.raw.id, b.raw.id, GIT_OID_RAWSZ) == 0;
    }
    friend std::strong_ordering operator<=>(const Oid &a, const Oid &b)
    {
        int c = std::memcmp(a.raw.id, b.raw.id, GIT_OID_RAWSZ);
        return c < 0 ? std::strong_ordering::less
                     : (c > 0 ? std::strong_ordering::greater : std::strong_ordering::equal);
    }
};

struct OidHash {
    size_t operator()(const Oid &o) const
    {
        size_t h;
        std::memcpy(&h, o.raw.id, sizeof h);
        return h;
    }
};

// The id git gives the tree without entries.
Oid emptyTreeId();

} // namespace jj

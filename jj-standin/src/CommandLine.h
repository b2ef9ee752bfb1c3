#pragma once

// The command lines this jj accepts, and nothing else.

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace jj::cli {

struct GitInit {
    std::string destination;
};
struct Log {
    std::optional<std::string> revisions;
};
struct Show {
    std::string revision;
};
struct Describe {
    std::string message;
    std::string revision;
};
struct Diff {
    std::string revision;
};
struct Commit {
    std::string message;
};
struct Abandon {
    std::vector<std::string> revisions;
};
struct New {
    std::vector<std::string> parents;
    std::optional<std::string> message;
};
struct Rebase {
    std::vector<std::string> revisions;
    std::string insertAfter;
};
struct BookmarkCreate {
    std::string name;
};
struct BookmarkSet {
    std::string name;
    std::string revision;
};
struct BookmarkTrack {
    std::string name;
    std::string remote;
};
struct BookmarkList {};
struct RemoteAdd {
    std::string name;
    std::string url;
};
struct RemoteList {};
struct Push {
    std::string remote;
    std::string bookmark;
};
struct Fetch {};
struct Clone {
    std::string source;
    std::string destination;
};

using Invocation = std::variant<GitInit, Log, Show, Describe, Diff, Commit, Abandon, New, Rebase,
                                BookmarkCreate, BookmarkSet, BookmarkTrack, BookmarkList, RemoteAdd,
                                RemoteList, Push, Fetch, Clone>;

// Throws UsageError for anything else.
Invocation parse(const std::vector<std::string> &args);

} // namespace jj::cli

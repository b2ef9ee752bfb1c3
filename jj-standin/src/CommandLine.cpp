#include "CommandLine.h"

#include "Error.h"

namespace jj::cli {

namespace {

using Args = std::vector<std::string>;

[[noreturn]] void unsupported(const Args &args)
{
    // One line, whatever the arguments hold.
    auto oneLine = [](const std::string &text) {
        std::string out;
        for (char c : text)
            out += c == '\n' ? std::string("\\n") : std::string(1, c);
        return out;
    };
    std::string line;
    for (const auto &a : args)
        line += (line.empty() ? "" : " ") + oneLine(a);
    static const char *known[] = {"log",     "show", "describe", "diff",     "commit",
                                  "abandon", "new",  "rebase",   "bookmark", "git"};
    for (const char *k : known)
        if (args[0] == k)
            throw UsageError("unsupported arguments: jj " + line);
    throw UsageError("unrecognized subcommand '" + oneLine(args[0]) + "'");
}

bool is(const Args &args, std::initializer_list<const char *> words)
{
    if (args.size() != words.size())
        return false;
    size_t i = 0;
    for (const char *w : words) {
        if (w && args[i] != w)
            return false;
        ++i;
    }
    return true;
}

} // namespace

Invocation parse(const Args &args)
{
    if (args.empty())
        throw UsageError("a subcommand is required");
    const std::string &cmd = args[0];
    const size_t n = args.size();

    if (cmd == "log") {
        if (is(args, {"log", "--no-graph"}))
            return Log{std::nullopt};
        if (is(args, {"log", "--no-graph", "-r", nullptr}))
            return Log{args[3]};
    } else if (cmd == "show") {
        if (n == 2)
            return Show{args[1]};
    } else if (cmd == "describe") {
        if (is(args, {"describe", "-m", nullptr, "-r", nullptr}))
            return Describe{args[2], args[4]};
    } else if (cmd == "diff") {
        if (is(args, {"diff", "-r", nullptr, "--git"}))
            return Diff{args[2]};
    } else if (cmd == "commit") {
        if (is(args, {"commit", "-m", nullptr}))
            return Commit{args[2]};
    } else if (cmd == "abandon") {
        if (n >= 2 && args[1] == "-r") {
            if (n == 2)
                throw UsageError("a value is required for '-r <REVSETS>' but none was supplied");
            return Abandon{Args(args.begin() + 2, args.end())};
        }
    } else if (cmd == "new") {
        if (n == 1)
            return New{{}, std::nullopt};
        if (n >= 4 && args[1] == "-r" && args[n - 2] == "-m") {
            if (n == 4)
                throw UsageError("a value is required for '-r <REVSETS>' but none was supplied");
            return New{Args(args.begin() + 2, args.end() - 2), args[n - 1]};
        }
    } else if (cmd == "rebase") {
        if (n >= 3 && args[n - 2] == "--insert-after" && (n - 3) % 2 == 0) {
            Rebase r;
            r.insertAfter = args[n - 1];
            for (size_t i = 1; i + 2 < n; i += 2) {
                if (args[i] != "-r")
                    unsupported(args);
                r.revisions.push_back(args[i + 1]);
            }
            if (r.revisions.empty())
                throw UsageError(
                    "the following required arguments were not provided: --revisions <REVSETS>");
            return r;
        }
    } else if (cmd == "bookmark") {
        if (is(args, {"bookmark", "create", nullptr}))
            return BookmarkCreate{args[2]};
        if (is(args, {"bookmark", "set", nullptr, "--allow-backwards", "-r", nullptr}))
            return BookmarkSet{args[2], args[5]};
        if (is(args, {"bookmark", "track", nullptr})) {
            auto at = args[2].rfind('@');
            if (at == std::string::npos || at == 0 || at + 1 == args[2].size())
                throw UsageError("invalid value '" + args[2] +
                                 "' for '<BOOKMARK>...': expected NAME@REMOTE");
            return BookmarkTrack{args[2].substr(0, at), args[2].substr(at + 1)};
        }
        if (is(args, {"bookmark", "list"}))
            return BookmarkList{};
    } else if (cmd == "git") {
        if (is(args, {"git", "init", "--colocate", nullptr}))
            return GitInit{args[3]};
        if (is(args, {"git", "remote", "add", nullptr, nullptr}))
            return RemoteAdd{args[3], args[4]};
        if (is(args, {"git", "remote", "list"}))
            return RemoteList{};
        if (is(args, {"git", "push", "--remote", nullptr, "-b", nullptr}))
            return Push{args[3], args[5]};
        if (is(args, {"git", "fetch"}))
            return Fetch{};
        if (is(args, {"git", "clone", nullptr, nullptr}))
            return Clone{args[2], args[3]};
    }
    unsupported(args);
}

} // namespace jj::cli

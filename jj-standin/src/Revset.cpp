#include "Revset.h"

#include "Error.h"

#include <algorithm>
#include <cctype>

namespace jj {

namespace {

std::string_view trim(std::string_view s)
{
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

[[noreturn]] void parseError(const std::string &detail)
{
    throw UserError("Failed to parse revset: " + detail);
}

} // namespace

Revsets::Revsets(Repo &repo) : repo_(repo) {}

std::vector<char> Revsets::maskOf(const std::vector<Pos> &commits) const
{
    std::vector<char> mask(repo_.index().size(), 0);
    for (Pos p : commits)
        mask[static_cast<size_t>(p)] = 1;
    return mask;
}

std::vector<Pos> Revsets::sortedNewestFirst(const std::vector<char> &mask) const
{
    std::vector<Pos> out;
    for (size_t i = mask.size(); i-- > 0;)
        if (mask[i])
            out.push_back(static_cast<Pos>(i));
    return out;
}

std::vector<Pos> Revsets::resolveSymbol(std::string_view name, const std::string &whole)
{
    const RepoState &state = repo_.state();
    const std::string text(name);
    if (text == "@")
        return {repo_.workingCopyPos()};
    if (auto it = state.bookmarks.find(text); it != state.bookmarks.end())
        return {repo_.require(it->second)};
    if (auto at = text.rfind('@'); at != std::string::npos && at > 0) {
        auto byName = state.remoteBookmarks.find(text.substr(0, at));
        if (byName != state.remoteBookmarks.end()) {
            auto ref = byName->second.find(text.substr(at + 1));
            if (ref != byName->second.end() && ref->second.target)
                return {repo_.require(*ref->second.target)};
        }
    }
    if (looksLikeCommitIdPrefix(text)) {
        auto matches = repo_.commitPrefixes().matching(text);
        if (matches.size() > 1)
            throw UserError("Commit ID prefix `" + text + "` is ambiguous");
        if (matches.size() == 1) {
            const auto &hexes = repo_.commitHexes();
            for (size_t i = 0; i < hexes.size(); ++i)
                if (hexes[i] == matches.front())
                    return {static_cast<Pos>(i)};
        }
    }
    if (looksLikeChangeIdPrefix(text)) {
        auto matches = repo_.changePrefixes().matching(text);
        if (matches.size() > 1)
            throw UserError("Change ID prefix `" + text + "` is ambiguous");
        if (matches.size() == 1) {
            std::vector<Pos> out;
            const auto &vis = repo_.visible();
            for (size_t i = vis.size(); i-- > 0;)
                if (vis[i] && repo_.commit(static_cast<Pos>(i)).change == matches.front())
                    out.push_back(static_cast<Pos>(i));
            if (!out.empty())
                return out;
        }
    }
    // "X-": the parents of X.
    if (text.size() > 1 && text.back() == '-') {
        std::vector<Pos> out;
        for (Pos p : resolveSymbol(std::string_view(text).substr(0, text.size() - 1), whole))
            for (Pos parent : repo_.commit(p).parents)
                out.push_back(parent);
        return out;
    }
    throw UserError("Revision `" + text + "` doesn't exist");
}

std::vector<char> Revsets::evaluateMask(std::string_view rawText, const std::string &whole)
{
    std::string_view text = trim(rawText);
    const auto &visible = repo_.visible();
    if (text.empty())
        parseError("Syntax error");
    if (text == "::" || text == "all()")
        return visible;
    if (text.substr(0, 2) == "::")
        return repo_.ancestorsOf(sortedNewestFirst(evaluateMask(text.substr(2), whole)));
    auto open = text.find('(');
    if (open != std::string_view::npos) {
        if (text.back() != ')')
            parseError("Syntax error");
        std::string function(trim(text.substr(0, open)));
        std::string_view argument = trim(text.substr(open + 1, text.size() - open - 2));
        if (function == "ancestors")
            return repo_.ancestorsOf(sortedNewestFirst(evaluateMask(argument, whole)));
        if (!argument.empty())
            parseError("Function `" + function + "`: Expected 0 arguments");
        if (function == "root")
            return maskOf({0});
        if (function == "none")
            return maskOf({});
        if (function == "trunk")
            return maskOf({repo_.trunk().value_or(0)});
        if (function == "mine") {
            std::vector<char> mask(visible.size(), 0);
            const std::string email = lower(repo_.identity().email);
            for (size_t i = 1; i < visible.size(); ++i)
                if (visible[i] && lower(repo_.commit(static_cast<Pos>(i)).author.email) == email)
                    mask[i] = 1;
            return mask;
        }
        parseError("Function `" + function + "` doesn't exist");
    }
    for (char c : text)
        if (std::isspace(static_cast<unsigned char>(c)) ||
            std::string_view("|&~,:'\"").find(c) != std::string_view::npos)
            parseError("Syntax error");
    return maskOf(resolveSymbol(text, whole));
}

std::vector<Pos> Revsets::evaluate(const std::string &text)
{
    return sortedNewestFirst(evaluateMask(text, text));
}

Pos Revsets::single(const std::string &text)
{
    auto commits = evaluate(text);
    if (commits.empty())
        throw UserError("Revset `" + text + "` didn't resolve to any revisions");
    if (commits.size() > 1)
        throw UserError("Revset `" + text + "` resolved to more than one revision");
    return commits.front();
}

std::vector<Pos> Revsets::defaultLog()
{
    const auto &visible = repo_.visible();
    const auto &immutable = repo_.immutable();
    std::vector<char> mask(visible.size(), 0);
    for (size_t i = 1; i < visible.size(); ++i) {
        if (!visible[i] || immutable[i])
            continue;
        mask[i] = 1;
        for (Pos parent : repo_.commit(static_cast<Pos>(i)).parents)
            mask[static_cast<size_t>(parent)] = 1;
    }
    mask[static_cast<size_t>(repo_.workingCopyPos())] = 1;
    mask[static_cast<size_t>(repo_.trunk().value_or(0))] = 1;
    return sortedNewestFirst(mask);
}

} // namespace jj

#pragma once

// The revision language, as far as the application uses it: "::", "::X", "@",
// "X-", "root()", "all()", "none()", "trunk()", "mine()", "ancestors(X)", and
// symbols: bookmarks, name@remote, commit ids and change ids or unique prefixes
// of them.

#include "Repo.h"

#include <string>
#include <vector>

namespace jj {

class Revsets {
public:
    explicit Revsets(Repo &repo);

    // Matching commits, newest first (descending index position).
    std::vector<Pos> evaluate(const std::string &text);
    // Exactly one commit, or the real tool's error.
    Pos single(const std::string &text);
    // What `log` shows without -r: the mutable changes, their parents, @ and trunk().
    std::vector<Pos> defaultLog();

private:
    std::vector<char> evaluateMask(std::string_view text, const std::string &whole);
    std::vector<Pos> resolveSymbol(std::string_view name, const std::string &whole);
    std::vector<char> maskOf(const std::vector<Pos> &commits) const;
    std::vector<Pos> sortedNewestFirst(const std::vector<char> &mask) const;

    Repo &repo_;
};

} // namespace jj

#pragma once

// The real tool's default text layouts: log entries, commit summaries, the
// `show` header and the bookmark list.

#include "Repo.h"

#include <map>
#include <string>
#include <vector>

namespace jj {

std::string firstLine(const std::string &text);
std::string trimEnd(const std::string &text);
// Prefixes every non-empty line of `text` (which should end with a newline).
std::string indentLines(const std::string &text, const std::string &prefix);

class Templates {
public:
    explicit Templates(Repo &repo);

    std::string changeIdShort(Pos pos);
    std::string commitIdShort(Pos pos);

    // Bookmarks shown beside a commit in log and summaries: local names (with
    // "*" when a tracked remote disagrees) and remote ones that differ locally.
    std::vector<std::string> refNames(Pos pos);
    std::string summary(Pos pos, bool withRefs = true);
    std::string logEntry(Pos pos);
    std::string showHeader(Pos pos);
    std::string bookmarkList();

private:
    void buildRefIndex();
    std::string distances(Pos local, Pos remote);

    Repo &repo_;
    bool refsBuilt_ = false;
    std::map<Pos, std::vector<std::string>> refNames_;
    std::map<Pos, std::vector<std::string>> localNames_;
    std::map<Pos, std::vector<std::string>> remoteNames_;
};

} // namespace jj

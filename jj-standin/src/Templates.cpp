#include "Templates.h"

#include <algorithm>

namespace jj {

namespace {

const char *const kNoDescription = "(no description set)";
const char *const kNoEmail = "(no email set)";
const char *const kNoName = "(no name set)";

// Joins the non-empty parts with `sep`, like the template language's separate().
std::string separate(const std::string &sep, const std::vector<std::string> &parts)
{
    std::string out;
    for (const auto &p : parts) {
        if (p.empty())
            continue;
        if (!out.empty())
            out += sep;
        out += p;
    }
    return out;
}

std::string joinWords(const std::vector<std::string> &words)
{
    return separate(" ", words);
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

} // namespace

std::string firstLine(const std::string &text)
{
    size_t nl = text.find('\n');
    std::string line = nl == std::string::npos ? text : text.substr(0, nl);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

std::string trimEnd(const std::string &text)
{
    size_t end = text.size();
    while (end > 0 && isSpace(text[end - 1]))
        --end;
    return text.substr(0, end);
}

std::string indentLines(const std::string &text, const std::string &prefix)
{
    std::string out;
    size_t start = 0;
    while (start < text.size()) {
        size_t nl = text.find('\n', start);
        size_t end = nl == std::string::npos ? text.size() : nl + 1;
        std::string_view line(text.data() + start, end - start);
        if (line != "\n")
            out += prefix;
        out += line;
        start = end;
    }
    return out;
}

Templates::Templates(Repo &repo) : repo_(repo) {}

std::string Templates::changeIdShort(Pos pos)
{
    return repo_.changePrefixes().shortest(repo_.commit(pos).change);
}

std::string Templates::commitIdShort(Pos pos)
{
    return repo_.commitPrefixes().shortest(repo_.commitHexes()[static_cast<size_t>(pos)]);
}

void Templates::buildRefIndex()
{
    if (refsBuilt_)
        return;
    refsBuilt_ = true;
    const RepoState &state = repo_.state();
    std::map<std::string, bool> names;
    for (const auto &[name, target] : state.bookmarks)
        names[name] = true;
    for (const auto &[name, remotes] : state.remoteBookmarks)
        names[name] = true;
    for (const auto &[name, unused] : names) {
        (void)unused;
        auto local = state.bookmarks.find(name);
        auto remotesIt = state.remoteBookmarks.find(name);
        std::optional<Oid> localTarget;
        if (local != state.bookmarks.end())
            localTarget = local->second;
        if (localTarget) {
            bool synced = true;
            if (remotesIt != state.remoteBookmarks.end())
                for (const auto &[remote, ref] : remotesIt->second)
                    if (ref.tracked && ref.target != localTarget)
                        synced = false;
            Pos p = repo_.require(*localTarget);
            std::string label = name + (synced ? "" : "*");
            refNames_[p].push_back(label);
            localNames_[p].push_back(label);
        }
        if (remotesIt != state.remoteBookmarks.end())
            for (const auto &[remote, ref] : remotesIt->second) {
                if (!ref.target)
                    continue;
                Pos p = repo_.require(*ref.target);
                remoteNames_[p].push_back(name + "@" + remote);
                // A tracked remote that agrees with the local bookmark is implied by it.
                if (!(ref.tracked && ref.target == localTarget))
                    refNames_[p].push_back(name + "@" + remote);
            }
    }
}

std::vector<std::string> Templates::refNames(Pos pos)
{
    buildRefIndex();
    auto it = refNames_.find(pos);
    return it == refNames_.end() ? std::vector<std::string>{} : it->second;
}

std::string Templates::summary(Pos pos, bool withRefs)
{
    const CommitRecord &c = repo_.commit(pos);
    std::string rest =
        separate(" ", {c.empty ? "(empty)" : "",
                       c.description.empty() ? kNoDescription : firstLine(c.description)});
    std::string refs = withRefs ? joinWords(refNames(pos)) : std::string();
    return separate(" ", {changeIdShort(pos), commitIdShort(pos), separate(" | ", {refs, rest})});
}

std::string Templates::logEntry(Pos pos)
{
    const CommitRecord &c = repo_.commit(pos);
    if (pos == 0) {
        std::vector<std::string> parts{changeIdShort(pos), "root()", commitIdShort(pos)};
        for (const auto &r : refNames(pos))
            parts.push_back(r);
        return joinWords(parts) + "\n";
    }
    std::vector<std::string> head{changeIdShort(pos),
                                  c.author.email.empty() ? kNoEmail : c.author.email,
                                  formatLocalTime(c.committer.time)};
    for (const auto &r : refNames(pos))
        head.push_back(r);
    head.push_back(commitIdShort(pos));
    std::string second =
        separate(" ", {c.empty ? "(empty)" : "",
                       c.description.empty() ? kNoDescription : firstLine(c.description)});
    return joinWords(head) + "\n" + second + "\n";
}

std::string Templates::showHeader(Pos pos)
{
    buildRefIndex();
    const CommitRecord &c = repo_.commit(pos);
    std::string out;
    out += "Commit ID: " + c.id.hex() + "\n";
    out += "Change ID: " + c.change + "\n";
    std::vector<std::string> marks;
    if (auto it = localNames_.find(pos); it != localNames_.end())
        marks.insert(marks.end(), it->second.begin(), it->second.end());
    if (auto it = remoteNames_.find(pos); it != remoteNames_.end())
        marks.insert(marks.end(), it->second.begin(), it->second.end());
    if (!marks.empty())
        out += "Bookmarks: " + joinWords(marks) + "\n";
    auto signature = [](const Signature &s) {
        return (s.name.empty() ? std::string(kNoName) : s.name) + " <" +
               (s.email.empty() ? std::string(kNoEmail) : s.email) + "> (" +
               formatLocalTime(s.time) + ")";
    };
    out += "Author   : " + signature(c.author) + "\n";
    out += "Committer: " + signature(c.committer) + "\n";
    out += "\n";
    out += indentLines(
        (c.description.empty() ? std::string(kNoDescription) : trimEnd(c.description)) + "\n",
        "    ");
    out += "\n";
    return out;
}

std::string Templates::distances(Pos local, Pos remote)
{
    auto localAnc = repo_.ancestorsOf({local});
    auto remoteAnc = repo_.ancestorsOf({remote});
    size_t ahead = 0, behind = 0;
    for (size_t i = 0; i < localAnc.size(); ++i) {
        if (remoteAnc[i] && !localAnc[i])
            ++ahead;
        if (localAnc[i] && !remoteAnc[i])
            ++behind;
    }
    std::vector<std::string> parts;
    if (ahead)
        parts.push_back("ahead by " + std::to_string(ahead) + " commits");
    if (behind)
        parts.push_back("behind by " + std::to_string(behind) + " commits");
    return parts.empty() ? std::string() : "(" + separate(", ", parts) + ")";
}

std::string Templates::bookmarkList()
{
    const RepoState &state = repo_.state();
    std::map<std::string, bool> names;
    for (const auto &[name, target] : state.bookmarks)
        names[name] = true;
    for (const auto &[name, remotes] : state.remoteBookmarks)
        for (const auto &[remote, ref] : remotes)
            if (ref.tracked)
                names[name] = true;
    std::string out;
    for (const auto &[name, unused] : names) {
        (void)unused;
        auto local = state.bookmarks.find(name);
        std::optional<Pos> localPos;
        if (local != state.bookmarks.end()) {
            localPos = repo_.require(local->second);
            out += name + ": " + summary(*localPos, false) + "\n";
        } else {
            out += name + " (deleted)\n";
        }
        auto remotesIt = state.remoteBookmarks.find(name);
        if (remotesIt == state.remoteBookmarks.end())
            continue;
        for (const auto &[remote, ref] : remotesIt->second) {
            if (!ref.tracked)
                continue;
            if (!ref.target) {
                out += "  @" + remote + " (not created yet)\n";
                continue;
            }
            Pos remotePos = repo_.require(*ref.target);
            if (localPos && remotePos == *localPos)
                continue; // in sync: the plain list leaves it out
            std::string label = "@" + remote;
            if (localPos) {
                std::string d = distances(*localPos, remotePos);
                if (!d.empty())
                    label += " " + d;
            }
            out += "  " + label + ": " + summary(remotePos, false) + "\n";
        }
    }
    return out;
}

} // namespace jj

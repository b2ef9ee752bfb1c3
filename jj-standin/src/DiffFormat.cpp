#include "DiffFormat.h"

#include "Error.h"
#include "LineDiff.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace jj {

namespace {

constexpr uint32_t kModeExecutable = 0100755;
constexpr uint32_t kModeSymlink = 0120000;
constexpr uint32_t kModeGitlink = 0160000;

// Paths compare component by component, so "x" < "x/file" < "x.txt".
bool pathLess(const std::string &a, const std::string &b)
{
    size_t i = 0, j = 0;
    for (;;) {
        size_t ea = a.find('/', i), eb = b.find('/', j);
        std::string_view ca =
            std::string_view(a).substr(i, ea == std::string::npos ? std::string::npos : ea - i);
        std::string_view cb =
            std::string_view(b).substr(j, eb == std::string::npos ? std::string::npos : eb - j);
        if (ca != cb)
            return ca < cb;
        if (ea == std::string::npos || eb == std::string::npos)
            return ea == std::string::npos && eb != std::string::npos;
        i = ea + 1;
        j = eb + 1;
    }
}

std::string blobContent(Repo &repo, const std::optional<FileSide> &side)
{
    if (!side)
        return {};
    if (side->mode == kModeGitlink)
        return "Git submodule checked out at " + side->blob.hex();
    git_blob *raw = nullptr;
    gitCheck(git_blob_lookup(&raw, repo.git(), side->blob.get()),
             "cannot read blob " + side->blob.hex());
    BlobPtr blob(raw);
    return std::string(static_cast<const char *>(git_blob_rawcontent(blob.get())),
                       static_cast<size_t>(git_blob_rawsize(blob.get())));
}

bool isBinary(const std::string &content)
{
    return content.find('\0') != std::string::npos;
}

std::string modeText(uint32_t mode)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%06o", mode);
    return buf;
}

std::string shortHash(const std::optional<FileSide> &side)
{
    return side ? side->blob.hex().substr(0, 10) : std::string(10, '0');
}

std::string fileType(uint32_t mode)
{
    if (mode == kModeExecutable)
        return "executable file";
    if (mode == kModeSymlink)
        return "symlink";
    if (mode == kModeGitlink)
        return "Git submodule";
    return "regular file";
}

bool isFile(uint32_t mode)
{
    return mode == 0100644 || mode == kModeExecutable;
}

struct UnifiedHunk {
    size_t leftStart = 0, leftEnd = 0, rightStart = 0, rightEnd = 0;
    std::vector<std::pair<char, std::string_view>> lines;
};

std::vector<UnifiedHunk> unifiedHunks(std::string_view left, std::string_view right, size_t context)
{
    std::vector<UnifiedHunk> hunks;
    UnifiedHunk current;
    auto diff = diffLines(left, right);
    for (size_t h = 0; h < diff.size(); ++h) {
        const DiffHunk &hunk = diff[h];
        if (hunk.matching) {
            auto lines = splitLinesInclusive(hunk.right);
            size_t next = 0;
            auto addContext = [&](std::string_view line) {
                ++current.leftEnd;
                ++current.rightEnd;
                current.lines.emplace_back(' ', line);
            };
            if (!current.lines.empty())
                for (; next < lines.size() && next < context; ++next)
                    addContext(lines[next]);
            size_t remaining = lines.size() - next;
            size_t before = h + 1 < diff.size() ? std::min(context, remaining) : 0;
            size_t skip = remaining - before;
            if (skip > 0) {
                size_t leftStart = current.leftEnd + skip;
                size_t rightStart = current.rightEnd + skip;
                if (!current.lines.empty())
                    hunks.push_back(std::move(current));
                current = UnifiedHunk{leftStart, leftStart, rightStart, rightStart, {}};
            }
            for (size_t i = lines.size() - before; i < lines.size(); ++i)
                addContext(lines[i]);
        } else {
            for (auto line : splitLinesInclusive(hunk.left)) {
                ++current.leftEnd;
                current.lines.emplace_back('-', line);
            }
            for (auto line : splitLinesInclusive(hunk.right)) {
                ++current.rightEnd;
                current.lines.emplace_back('+', line);
            }
        }
    }
    if (!current.lines.empty())
        hunks.push_back(std::move(current));
    return hunks;
}

std::string lineNumbers(std::optional<size_t> left, std::optional<size_t> right)
{
    char buf[64];
    std::string out;
    if (left) {
        std::snprintf(buf, sizeof buf, "%4zu ", *left);
        out += buf;
    } else {
        out += "     ";
    }
    if (right) {
        std::snprintf(buf, sizeof buf, "%4zu: ", *right);
        out += buf;
    } else {
        out += "    : ";
    }
    return out;
}

void appendLine(std::string &out, std::string_view line)
{
    out += line;
    if (line.empty() || line.back() != '\n')
        out += '\n';
}

struct LineNumber {
    size_t left = 1;
    size_t right = 1;
};

// Context between changes: `after` lines following the previous change, then
// "..." for what is skipped, then `before` lines leading into the next one.
void showContext(std::string &out, const DiffHunk *context, LineNumber &ln, size_t after,
                 size_t before)
{
    if (!context)
        return;
    auto lines = splitLinesInclusive(context->right);
    size_t shownAfter = std::min(after, lines.size());
    size_t remaining = lines.size() - shownAfter;
    size_t shownBefore = std::min(before + 1, remaining);
    size_t skipped = remaining - shownBefore;
    for (size_t i = 0; i < shownAfter; ++i) {
        out += lineNumbers(ln.left, ln.right);
        appendLine(out, lines[i]);
        ++ln.left;
        ++ln.right;
    }
    size_t firstBefore = lines.size() - shownBefore;
    if (skipped > 0) {
        out += "    ...\n";
        ln.left += skipped;
        ln.right += skipped;
        if (shownBefore > before) {
            ++firstBefore;
            ++ln.left;
            ++ln.right;
        }
    }
    for (size_t i = firstBefore; i < lines.size(); ++i) {
        out += lineNumbers(ln.left, ln.right);
        appendLine(out, lines[i]);
        ++ln.left;
        ++ln.right;
    }
}

void colorWordsHunks(std::string &out, std::string_view left, std::string_view right,
                     size_t context)
{
    LineNumber ln;
    const DiffHunk *pendingContext = nullptr;
    bool emitted = false;
    auto diff = diffLines(left, right);
    for (const DiffHunk &hunk : diff) {
        if (hunk.matching) {
            pendingContext = &hunk;
            continue;
        }
        showContext(out, pendingContext, ln, emitted ? context : 0, context);
        pendingContext = nullptr;
        emitted = true;
        // Without colour, removed and added lines are shown apart, not inline.
        for (auto line : splitLinesInclusive(hunk.left)) {
            out += lineNumbers(ln.left, std::nullopt);
            appendLine(out, line);
            ++ln.left;
        }
        for (auto line : splitLinesInclusive(hunk.right)) {
            out += lineNumbers(std::nullopt, ln.right);
            appendLine(out, line);
            ++ln.right;
        }
    }
    showContext(out, pendingContext, ln, emitted ? context : 0, 0);
}

} // namespace

std::vector<FileChange> diffTrees(Repo &repo, const Oid &from, const Oid &to)
{
    std::vector<FileChange> changes;
    if (from == to)
        return changes;
    auto lookup = [&](const Oid &id) {
        git_tree *raw = nullptr;
        gitCheck(git_tree_lookup(&raw, repo.git(), id.get()), "cannot read tree " + id.hex());
        return TreePtr(raw);
    };
    TreePtr a = lookup(from), b = lookup(to);
    git_diff_options opts = GIT_DIFF_OPTIONS_INIT;
    opts.flags = GIT_DIFF_INCLUDE_TYPECHANGE;
    git_diff *raw = nullptr;
    gitCheck(git_diff_tree_to_tree(&raw, repo.git(), a.get(), b.get(), &opts),
             "cannot compare trees");
    DiffPtr diff(raw);
    git_diff_find_options find = GIT_DIFF_FIND_OPTIONS_INIT;
    find.flags = GIT_DIFF_FIND_RENAMES | GIT_DIFF_FIND_COPIES;
    gitCheck(git_diff_find_similar(diff.get(), &find), "cannot detect renames");
    for (size_t i = 0; i < git_diff_num_deltas(diff.get()); ++i) {
        const git_diff_delta *d = git_diff_get_delta(diff.get(), i);
        FileChange c;
        c.source = d->old_file.path;
        c.target = d->new_file.path;
        if (d->status != GIT_DELTA_ADDED)
            c.before = FileSide{Oid(d->old_file.id), d->old_file.mode};
        if (d->status != GIT_DELTA_DELETED)
            c.after = FileSide{Oid(d->new_file.id), d->new_file.mode};
        if (d->status == GIT_DELTA_ADDED)
            c.source = c.target;
        if (d->status == GIT_DELTA_DELETED)
            c.target = c.source;
        c.renamed = d->status == GIT_DELTA_RENAMED;
        c.copied = d->status == GIT_DELTA_COPIED;
        changes.push_back(std::move(c));
    }
    std::stable_sort(changes.begin(), changes.end(), [](const FileChange &x, const FileChange &y) {
        return pathLess(x.target, y.target);
    });
    return changes;
}

std::string renderGitDiff(Repo &repo, const std::vector<FileChange> &changes, size_t context)
{
    std::string out;
    for (const FileChange &c : changes) {
        out += "diff --git a/" + c.source + " b/" + c.target + "\n";
        std::string leftHash = shortHash(c.before), rightHash = shortHash(c.after);
        if (!c.before) {
            out += "new file mode " + modeText(c.after->mode) + "\n";
            out += "index " + leftHash + ".." + rightHash + "\n";
        } else if (!c.after) {
            out += "deleted file mode " + modeText(c.before->mode) + "\n";
            out += "index " + leftHash + ".." + rightHash + "\n";
        } else {
            if (c.copied || c.renamed) {
                const char *op = c.copied ? "copy" : "rename";
                out += std::string(op) + " from " + c.source + "\n";
                out += std::string(op) + " to " + c.target + "\n";
            }
            if (c.before->mode != c.after->mode) {
                out += "old mode " + modeText(c.before->mode) + "\n";
                out += "new mode " + modeText(c.after->mode) + "\n";
                if (leftHash != rightHash)
                    out += "index " + leftHash + ".." + rightHash + "\n";
            } else if (leftHash != rightHash) {
                out +=
                    "index " + leftHash + ".." + rightHash + " " + modeText(c.before->mode) + "\n";
            }
        }
        std::string left = blobContent(repo, c.before), right = blobContent(repo, c.after);
        if (left == right)
            continue;
        std::string leftPath = c.before ? "a/" + c.source : "/dev/null";
        std::string rightPath = c.after ? "b/" + c.target : "/dev/null";
        if (isBinary(left) || isBinary(right)) {
            out += "Binary files " + leftPath + " and " + rightPath + " differ\n";
            continue;
        }
        out += "--- " + leftPath + "\n";
        out += "+++ " + rightPath + "\n";
        for (const UnifiedHunk &h : unifiedHunks(left, right, context)) {
            auto number = [](size_t start, size_t end) { return start == end ? start : start + 1; };
            out += "@@ -" + std::to_string(number(h.leftStart, h.leftEnd)) + "," +
                   std::to_string(h.leftEnd - h.leftStart) + " +" +
                   std::to_string(number(h.rightStart, h.rightEnd)) + "," +
                   std::to_string(h.rightEnd - h.rightStart) + " @@\n";
            for (const auto &[sigil, line] : h.lines) {
                out += sigil;
                out += line;
                if (line.empty() || line.back() != '\n')
                    out += "\n\\ No newline at end of file\n";
            }
        }
    }
    return out;
}

std::string renderColorWords(Repo &repo, const std::vector<FileChange> &changes,
                             const std::function<std::string(const std::string &)> &displayPath,
                             size_t context)
{
    std::string out;
    for (const FileChange &c : changes) {
        std::string leftPath = displayPath(c.source), rightPath = displayPath(c.target);
        std::string left = blobContent(repo, c.before), right = blobContent(repo, c.after);
        if (!c.before) {
            out += "Added " + fileType(c.after->mode) + " " + rightPath + ":\n";
            if (right.empty())
                out += "    (empty)\n";
            else if (isBinary(right))
                out += "    (binary)\n";
            else
                colorWordsHunks(out, "", right, context);
        } else if (c.after) {
            uint32_t lm = c.before->mode, rm = c.after->mode;
            std::string description;
            if (isFile(lm) && isFile(rm)) {
                if (lm == kModeExecutable && rm == kModeExecutable)
                    description = "Modified executable file";
                else if (lm == kModeExecutable)
                    description = "Executable file became non-executable at";
                else if (rm == kModeExecutable)
                    description = "Non-executable file became executable at";
                else
                    description = "Modified regular file";
            } else if (lm == kModeSymlink && rm == kModeSymlink) {
                description = "Symlink target changed at";
            } else {
                std::string lt = fileType(lm);
                lt[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(lt[0])));
                description = lt + " became " + fileType(rm) + " at";
            }
            if (c.source == c.target)
                out += description + " " + rightPath + ":\n";
            else
                out +=
                    description + " " + rightPath + " (" + leftPath + " => " + rightPath + "):\n";
            if (isBinary(left) || isBinary(right))
                out += "    (binary)\n";
            else if (left != right)
                colorWordsHunks(out, left, right, context);
        } else {
            out += "Removed " + fileType(c.before->mode) + " " + rightPath + ":\n";
            if (left.empty())
                out += "    (empty)\n";
            else if (isBinary(left))
                out += "    (binary)\n";
            else
                colorWordsHunks(out, left, "", context);
        }
    }
    return out;
}

} // namespace jj

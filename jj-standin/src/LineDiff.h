#pragma once

// Line-by-line comparison in the real tool's manner: anchor on lines that occur
// equally rarely on both sides (a histogram diff), take the longest increasing
// run of those anchors, recurse between them, and fall back to trimming common
// leading and trailing lines. Choosing the same anchors keeps our hunks
// identical to the real tool's where several minimal diffs exist.

#include <string_view>
#include <vector>

namespace jj {

struct DiffHunk {
    bool matching;
    std::string_view left;
    std::string_view right;
};

// Alternating matching and differing stretches covering both inputs.
std::vector<DiffHunk> diffLines(std::string_view left, std::string_view right);

// Splits after every '\n'; a last line without one is kept.
std::vector<std::string_view> splitLinesInclusive(std::string_view text);

} // namespace jj

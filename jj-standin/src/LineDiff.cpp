#include "LineDiff.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <map>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace jj {

namespace {

struct Range {
    size_t start;
    size_t end;
};

struct Source {
    std::string_view text;
    std::vector<Range> tokens;
    std::string_view token(size_t i) const
    {
        return text.substr(tokens[i].start, tokens[i].end - tokens[i].start);
    }
};

// A window [begin, end) of token positions.
struct Window {
    const Source *source;
    size_t begin;
    size_t end;
    size_t size() const { return end - begin; }
    std::string_view token(size_t local) const { return source->token(begin + local); }
};

constexpr size_t kMaxOccurrences = 100;
constexpr size_t kNone = std::numeric_limits<size_t>::max();

// Longest chain of increasing left indexes, walking right indexes in order,
// with the same tie-breaking as the real tool.
std::vector<std::pair<size_t, size_t>> findLcs(const std::vector<size_t> &input)
{
    if (input.empty())
        return {};
    struct Link {
        size_t length;
        size_t leftPos;
        size_t previous;
    };
    std::vector<Link> chain(input.size(), {0, 0, 0});
    size_t globalLongest = 0, globalLongestRight = 0;
    for (size_t rightPos = 0; rightPos < input.size(); ++rightPos) {
        size_t leftPos = input[rightPos];
        size_t longestFromHere = 1;
        size_t previousRight = kNone;
        for (size_t i = rightPos; i-- > 0;) {
            const Link &prev = chain[i];
            if (prev.leftPos < leftPos) {
                size_t len = prev.length + 1;
                if (len > longestFromHere) {
                    longestFromHere = len;
                    previousRight = i;
                    if (len > globalLongest) {
                        globalLongest = len;
                        globalLongestRight = rightPos;
                        break;
                    }
                }
            }
        }
        chain[rightPos] = {longestFromHere, leftPos, previousRight};
    }
    std::vector<std::pair<size_t, size_t>> result;
    size_t rightPos = globalLongestRight;
    for (;;) {
        result.emplace_back(chain[rightPos].leftPos, rightPos);
        if (chain[rightPos].previous == kNone)
            break;
        rightPos = chain[rightPos].previous;
    }
    std::reverse(result.begin(), result.end());
    return result;
}

using Found = std::vector<std::pair<size_t, size_t>>; // global (left, right) token positions

void collectUnchanged(Found &found, const Window &left, const Window &right);

void collectUnchangedLcs(Found &found, const Window &left, const Window &right)
{
    // word -> positions, capped one past the limit so over-frequent words are recognisable
    std::unordered_map<std::string_view, std::vector<size_t>> leftHist, rightHist;
    std::vector<std::string_view> leftOrder;
    for (size_t i = 0; i < left.size(); ++i) {
        auto [it, inserted] = leftHist.try_emplace(left.token(i));
        if (inserted)
            leftOrder.push_back(left.token(i));
        if (it->second.size() <= kMaxOccurrences)
            it->second.push_back(i);
    }
    std::map<size_t, std::vector<std::string_view>> countToWords;
    for (auto word : leftOrder)
        countToWords[leftHist[word].size()].push_back(word);
    if (countToWords.begin()->first > kMaxOccurrences)
        return;
    for (size_t i = 0; i < right.size(); ++i) {
        auto &positions = rightHist[right.token(i)];
        if (positions.size() <= kMaxOccurrences)
            positions.push_back(i);
    }
    // The rarest words that occur equally often on both sides are the anchors.
    std::vector<std::pair<const std::vector<size_t> *, const std::vector<size_t> *>> anchors;
    for (const auto &[count, words] : countToWords) {
        for (auto word : words) {
            auto r = rightHist.find(word);
            if (r != rightHist.end() && r->second.size() == leftHist[word].size())
                anchors.emplace_back(&leftHist[word], &r->second);
        }
        if (!anchors.empty())
            break;
    }
    if (anchors.empty())
        return;
    std::vector<std::pair<size_t, size_t>> leftPositions, rightPositions; // (position, serial)
    size_t serial = 0;
    for (const auto &[lefts, rights] : anchors)
        for (size_t k = 0; k < lefts->size(); ++k, ++serial) {
            leftPositions.emplace_back((*lefts)[k], serial);
            rightPositions.emplace_back((*rights)[k], serial);
        }
    std::sort(leftPositions.begin(), leftPositions.end());
    std::sort(rightPositions.begin(), rightPositions.end());
    std::vector<size_t> leftIndexOfSerial(leftPositions.size());
    for (size_t i = 0; i < leftPositions.size(); ++i)
        leftIndexOfSerial[leftPositions[i].second] = i;
    std::vector<size_t> leftIndexByRightIndex;
    leftIndexByRightIndex.reserve(rightPositions.size());
    for (const auto &[pos, s] : rightPositions)
        leftIndexByRightIndex.push_back(leftIndexOfSerial[s]);

    size_t prevLeft = 0, prevRight = 0;
    for (const auto &[leftIndex, rightIndex] : findLcs(leftIndexByRightIndex)) {
        size_t lp = leftPositions[leftIndex].first;
        size_t rp = rightPositions[rightIndex].first;
        collectUnchanged(found, Window{left.source, left.begin + prevLeft, left.begin + lp},
                         Window{right.source, right.begin + prevRight, right.begin + rp});
        found.emplace_back(left.begin + lp, right.begin + rp);
        prevLeft = lp + 1;
        prevRight = rp + 1;
    }
    collectUnchanged(found, Window{left.source, left.begin + prevLeft, left.end},
                     Window{right.source, right.begin + prevRight, right.end});
}

void collectUnchanged(Found &found, const Window &left, const Window &right)
{
    if (left.size() == 0 || right.size() == 0)
        return;
    size_t before = found.size();
    collectUnchangedLcs(found, left, right);
    if (found.size() != before)
        return;
    size_t leading = 0;
    while (leading < left.size() && leading < right.size() &&
           left.token(leading) == right.token(leading))
        ++leading;
    size_t trailing = 0;
    while (trailing < left.size() - leading && trailing < right.size() - leading &&
           left.token(left.size() - 1 - trailing) == right.token(right.size() - 1 - trailing))
        ++trailing;
    for (size_t i = 0; i < leading; ++i)
        found.emplace_back(left.begin + i, right.begin + i);
    for (size_t i = trailing; i >= 1; --i)
        found.emplace_back(left.end - i, right.end - i);
}

std::vector<Range> lineRanges(std::string_view text)
{
    std::vector<Range> out;
    size_t start = 0;
    while (start < text.size()) {
        size_t nl = text.find('\n', start);
        size_t end = nl == std::string_view::npos ? text.size() : nl + 1;
        out.push_back({start, end});
        start = end;
    }
    return out;
}

} // namespace

std::vector<std::string_view> splitLinesInclusive(std::string_view text)
{
    std::vector<std::string_view> out;
    for (const auto &r : lineRanges(text))
        out.push_back(text.substr(r.start, r.end - r.start));
    return out;
}

std::vector<DiffHunk> diffLines(std::string_view leftText, std::string_view rightText)
{
    Source left{leftText, {}}, right{rightText, {}};
    // With one side empty every line differs; no need to tokenize.
    if (!leftText.empty() && !rightText.empty()) {
        left.tokens = lineRanges(leftText);
        right.tokens = lineRanges(rightText);
    }
    Found found;
    collectUnchanged(found, Window{&left, 0, left.tokens.size()},
                     Window{&right, 0, right.tokens.size()});

    // Unchanged byte regions, with empty sentinels at both ends, adjacent ones merged.
    struct Region {
        size_t leftStart, leftEnd, rightStart, rightEnd;
    };
    std::vector<Region> regions{{0, 0, 0, 0}};
    for (const auto &[l, r] : found)
        regions.push_back(
            {left.tokens[l].start, left.tokens[l].end, right.tokens[r].start, right.tokens[r].end});
    regions.push_back({leftText.size(), leftText.size(), rightText.size(), rightText.size()});
    std::vector<Region> compact;
    for (const Region &r : regions) {
        if (!compact.empty() && compact.back().leftEnd == r.leftStart &&
            compact.back().rightEnd == r.rightStart) {
            compact.back().leftEnd = r.leftEnd;
            compact.back().rightEnd = r.rightEnd;
        } else {
            compact.push_back(r);
        }
    }

    std::vector<DiffHunk> hunks;
    for (size_t i = 0; i < compact.size(); ++i) {
        if (i > 0) {
            const Region &prev = compact[i - 1];
            std::string_view l = leftText.substr(prev.leftEnd, compact[i].leftStart - prev.leftEnd);
            std::string_view r =
                rightText.substr(prev.rightEnd, compact[i].rightStart - prev.rightEnd);
            if (!l.empty() || !r.empty())
                hunks.push_back({false, l, r});
        }
        const Region &cur = compact[i];
        if (cur.leftEnd > cur.leftStart)
            hunks.push_back({true, leftText.substr(cur.leftStart, cur.leftEnd - cur.leftStart),
                             rightText.substr(cur.rightStart, cur.rightEnd - cur.rightStart)});
    }
    return hunks;
}

} // namespace jj

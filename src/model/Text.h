#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

// Character sets and splitting rules of jj output readers, and the text equality the
// model uses for names and ids.
namespace text {

// Line feed, vertical tab, form feed, carriage return, U+0085, U+2028, U+2029.
bool isNewline(QChar c);
// Tab and the Unicode space separators (category Zs).
bool isWhitespace(QChar c);
// Both of the above.
bool isWhitespaceOrNewline(QChar c);

// Cuts at every single separator character: nothing is merged, so two separators in a
// row leave an empty piece between them, and empty text is one empty piece. jj ends its
// lines with "\n" and nothing else: a line may hold any other line break of Unicode
// (a description's U+2028, a form feed), which is text, not the end of the line.
QList<QStringView> splitLines(QStringView text);
QList<QStringView> splitWords(QStringView line);

// Walks the lines of a text one by one, each without its "\n"; a text that ends with
// "\n" ends with an empty line, as splitLines has it.
class LineReader {
public:
    explicit LineReader(QStringView text) : m_text(text) {}
    bool atEnd() const { return m_done; }
    QStringView next();

private:
    QStringView m_text;
    qsizetype m_position = 0;
    bool m_done = false;
};

// How jj writes a name where its revset syntax reads it: as it is when it is a plain
// symbol, otherwise as a quoted string ("fix(ui)").
QString jjSymbol(const QString &name);
// Reads a quoted string of jj's at the start of the text: its content and how many
// characters it took, quotes included; nothing when the text does not begin with one.
std::optional<std::pair<QString, qsizetype>> readQuoted(QStringView text);

// Copies of the pieces that share one allocation, each ended by a null character as
// every text of a QString is; an empty piece gives the null text. Records made by the
// hundred thousand cost one allocation for their texts instead of one each; the block
// is freed with the last of them, and writing to one copies it out first, as for any
// shared QString.
template<size_t N> std::array<QString, N> packed(const std::array<QStringView, N> &pieces)
{
    std::array<QString, N> texts;
    qsizetype total = 0;
    for (QStringView piece : pieces)
        total += piece.isEmpty() ? 0 : piece.size() + 1;
    if (total == 0)
        return texts;
    auto [block, at] = QTypedArrayData<char16_t>::allocate(total);
    Q_CHECK_PTR(block);
    bool first = true;
    for (size_t i = 0; i < N; ++i) {
        const QStringView piece = pieces[i];
        if (piece.isEmpty())
            continue;
        std::copy(piece.utf16(), piece.utf16() + piece.size(), at);
        at[piece.size()] = u'\0';
        // The block comes with one reference, which the first text takes.
        if (!std::exchange(first, false))
            block->ref();
        texts[i] = QString(QString::DataPointer(block, at, piece.size()));
        at += piece.size() + 1;
    }
    return texts;
}

// Strips characters matching the predicate from both ends.
QStringView trimmed(QStringView text, bool (*strip)(QChar));

// Equality and hashing by Unicode canonical equivalence, so precomposed and decomposed
// spellings of one text count as one.
bool canonicallyEqual(const QString &a, const QString &b);
size_t canonicalHash(const QString &s, size_t seed = 0);

} // namespace text

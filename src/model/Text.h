#pragma once

#include <QList>
#include <QString>
#include <QStringView>

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
// row leave an empty piece between them, and empty text is one empty piece.
QList<QStringView> splitLines(QStringView text);
QList<QStringView> splitWords(QStringView line);

// Strips characters matching the predicate from both ends.
QStringView trimmed(QStringView text, bool (*strip)(QChar));

// Equality and hashing by Unicode canonical equivalence, so precomposed and decomposed
// spellings of one text count as one.
bool canonicallyEqual(const QString &a, const QString &b);
size_t canonicalHash(const QString &s, size_t seed = 0);

} // namespace text

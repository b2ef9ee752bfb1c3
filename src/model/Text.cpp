#include "model/Text.h"

#include <QHashFunctions>

namespace text {

bool isNewline(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x0A && u <= 0x0D) || u == 0x85 || u == 0x2028 || u == 0x2029;
}

bool isWhitespace(QChar c)
{
    const char16_t u = c.unicode();
    if (u == u' ' || u == u'\t')
        return true;
    if (u < 0x80)
        return false;
    return c.category() == QChar::Separator_Space;
}

bool isWhitespaceOrNewline(QChar c)
{
    return isNewline(c) || isWhitespace(c);
}

namespace {
QList<QStringView> splitAt(QStringView text, bool (*isSeparator)(QChar))
{
    QList<QStringView> pieces;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (isSeparator(text[i])) {
            pieces.append(text.sliced(start, i - start));
            start = i + 1;
        }
    }
    pieces.append(text.sliced(start));
    return pieces;
}

bool isAscii(const QString &s)
{
    for (QChar c : s)
        if (c.unicode() >= 0x80)
            return false;
    return true;
}
} // namespace

QList<QStringView> splitLines(QStringView text)
{
    return splitAt(text, isNewline);
}

QList<QStringView> splitWords(QStringView line)
{
    return splitAt(line, isWhitespaceOrNewline);
}

QStringView trimmed(QStringView text, bool (*strip)(QChar))
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && strip(text[begin]))
        ++begin;
    while (end > begin && strip(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

bool canonicallyEqual(const QString &a, const QString &b)
{
    if (a == b)
        return true;
    if (isAscii(a) && isAscii(b))
        return false;
    return a.normalized(QString::NormalizationForm_C) == b.normalized(QString::NormalizationForm_C);
}

size_t canonicalHash(const QString &s, size_t seed)
{
    if (isAscii(s))
        return qHash(s, seed);
    return qHash(s.normalized(QString::NormalizationForm_C), seed);
}

} // namespace text

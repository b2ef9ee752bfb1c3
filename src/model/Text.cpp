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
    // Whole blocks are tested at once, which compilers turn into vector code: a diff of
    // megabytes is compared on every refresh.
    constexpr qsizetype block = 64;
    const char16_t *chars = reinterpret_cast<const char16_t *>(s.constData());
    const qsizetype size = s.size();
    qsizetype i = 0;
    for (; i + block <= size; i += block) {
        char16_t bits = 0;
        for (qsizetype j = 0; j < block; ++j)
            bits |= chars[i + j];
        if (bits >= 0x80)
            return false;
    }
    for (; i < size; ++i)
        if (chars[i] >= 0x80)
            return false;
    return true;
}
} // namespace

QList<QStringView> splitLines(QStringView text)
{
    return splitAt(text, [](QChar c) { return c == u'\n'; });
}

QStringView LineReader::next()
{
    const qsizetype end = m_text.indexOf(u'\n', m_position);
    if (end < 0) {
        m_done = true;
        return m_text.sliced(m_position);
    }
    const QStringView line = m_text.sliced(m_position, end - m_position);
    m_position = end + 1;
    return line;
}

namespace {
// A part of a plain symbol: letters and digits of ASCII, "_", and any character beyond
// ASCII that is no blank.
bool isSymbolCharacter(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= 0x80)
        return !c.isSpace();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') ||
           u == u'_';
}
} // namespace

QString jjSymbol(const QString &name)
{
    // Parts joined by single ".", "-", "+" or "/" make a plain symbol ("a.b", "x/y-z").
    bool plain = !name.isEmpty();
    bool afterSeparator = true;
    for (QChar c : name) {
        if (isSymbolCharacter(c)) {
            afterSeparator = false;
        } else if (!afterSeparator && (c == u'.' || c == u'-' || c == u'+' || c == u'/')) {
            afterSeparator = true;
        } else {
            plain = false;
            break;
        }
    }
    if (plain && !afterSeparator)
        return name;
    QString quoted = QStringLiteral("\"");
    for (QChar c : name) {
        switch (c.unicode()) {
        case u'"':
            quoted += QStringLiteral("\\\"");
            break;
        case u'\\':
            quoted += QStringLiteral("\\\\");
            break;
        case u'\n':
            quoted += QStringLiteral("\\n");
            break;
        case u'\t':
            quoted += QStringLiteral("\\t");
            break;
        case u'\r':
            quoted += QStringLiteral("\\r");
            break;
        default:
            quoted += c;
        }
    }
    return quoted + u'"';
}

std::optional<std::pair<QString, qsizetype>> readQuoted(QStringView text)
{
    if (!text.startsWith(u'"'))
        return std::nullopt;
    QString content;
    for (qsizetype i = 1; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'"')
            return std::pair{content, i + 1};
        if (c != u'\\' || i + 1 == text.size()) {
            content += c;
            continue;
        }
        const QChar escaped = text[++i];
        switch (escaped.unicode()) {
        case u'n':
            content += u'\n';
            break;
        case u't':
            content += u'\t';
            break;
        case u'r':
            content += u'\r';
            break;
        case u'0':
            content += QChar(0);
            break;
        case u'e':
            content += QChar(0x1b);
            break;
        case u'x':
            if (i + 2 < text.size()) {
                bool ok = false;
                const int code = text.sliced(i + 1, 2).toInt(&ok, 16);
                if (ok) {
                    content += QChar(code);
                    i += 2;
                    break;
                }
            }
            content += escaped;
            break;
        default: // \" and \\ stand for themselves
            content += escaped;
        }
    }
    return std::nullopt;
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

#include "model/LogReader.h"

#include "model/Text.h"

#include <bit>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

using Span = LogListing::Span;
using Entry = LogListing::Entry;

// What parts the words of a fields line: blanks, and every line break but "\n", which
// ends the line. Most characters are plain ASCII and decided by the first test.
inline bool separatesWords(char16_t u)
{
    if (u > u' ' && u < 0x7f)
        return false;
    if (u < 0x80)
        return u == u' ' || u == u'\t' || (u >= 0x0a && u <= 0x0d);
    return text::isWhitespaceOrNewline(QChar(u));
}

bool isHexadecimal(QStringView word)
{
    if (word.isEmpty())
        return false;
    for (QChar c : word) {
        const char16_t u = c.unicode();
        if (!((u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'f')))
            return false;
    }
    return true;
}

using Words = QVarLengthArray<QStringView, 24>;

// The commit id is the last hexadecimal word: marks such as "conflict" may follow it,
// and bookmarks, tags and "git_head()" stand before it.
QStringView commitIdOf(const Words &words)
{
    for (qsizetype i = words.size() - 1; i >= 1; --i)
        if (isHexadecimal(words[i]))
            return words[i];
    return words.last();
}

// The first character from `p` on that is not printable ASCII other than the blank, or
// `end`: the words of a fields line are mostly such characters, eight of them tested at a
// time.
const char16_t *skipPlain(const char16_t *p, const char16_t *end)
{
#ifdef __SSE2__
    // Shifted so that '!' to '~' are the smallest signed values and one comparison finds
    // anything else.
    const __m128i shift = _mm_set1_epi16(short(0x8000 - u'!'));
    const __m128i limit = _mm_set1_epi16(short(0x8000 + 0x7f - u'!'));
    for (; end - p >= 8; p += 8) {
        const __m128i chars = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        const __m128i plain = _mm_cmplt_epi16(_mm_add_epi16(chars, shift), limit);
        const unsigned mask = unsigned(_mm_movemask_epi8(plain));
        if (mask != 0xffff)
            return p + std::countr_one(mask) / 2;
    }
#endif
    while (p<end && * p> u' ' && *p < 0x7f)
        ++p;
    return p;
}

// Reads the entries of a whole output in order and hands each to `take`.
template<typename Take> void readEntries(QStringView text, Take take)
{
    const auto spanOf = [text](QStringView part) {
        return Span{part.isEmpty() ? 0 : part.data() - text.data(), part.size()};
    };
    const char16_t *const data = text.utf16();
    const qsizetype end = text.size();
    qsizetype at = 0;
    bool lineLeft = true; // a text that ends with "\n" ends with an empty line
    Words words;
    while (lineLeft) {
        qsizetype lineEnd = text.indexOf(u'\n', at);
        lineLeft = lineEnd >= 0;
        if (!lineLeft)
            lineEnd = end;

        // The fields line, cut at every separator: runs of them leave empty words.
        words.clear();
        const char16_t *word = data + at;
        for (const char16_t *p = word;; ++p) {
            p = skipPlain(p, data + lineEnd);
            if (p == data + lineEnd)
                break;
            if (separatesWords(*p)) {
                words.append(QStringView(word, p));
                word = p + 1;
            }
        }
        words.append(QStringView(word, data + lineEnd));
        at = lineLeft ? lineEnd + 1 : end;
        if (words.size() < 2)
            return;

        Entry entry;
        // jj marks a divergent change with "??" after its id, a hidden one with a word
        // of its own; the marks are no part of the id.
        QStringView id = words[0];
        if (id.endsWith(u"??")) {
            id.chop(2);
            entry.divergent = true;
        }
        entry.id = spanOf(id);
        qsizetype first = 1;
        if (words.size() > 2 && words[first] == u"hidden")
            ++first;
        entry.commit = spanOf(commitIdOf(words));

        // The root has no author or time and prints one line.
        if (words[first] == u"root()") {
            entry.root = true;
            take(entry);
            continue;
        }

        // A placeholder for a missing value is read whole: "(no email set)".
        qsizetype authorEnd = first;
        if (words[first].startsWith(u'(')) {
            while (authorEnd + 1 < words.size() && !words[authorEnd].endsWith(u')'))
                ++authorEnd;
        }
        const QStringView last = words[authorEnd];
        entry.author = spanOf(QStringView(words[first].data(), last.data() + last.size()));
        if (authorEnd + 1 < words.size())
            entry.date = spanOf(words[authorEnd + 1]);
        if (authorEnd + 2 < words.size())
            entry.time = spanOf(words[authorEnd + 2]);

        if (lineLeft) {
            lineEnd = text.indexOf(u'\n', at);
            lineLeft = lineEnd >= 0;
            if (!lineLeft)
                lineEnd = end;
            entry.description = spanOf(text.sliced(at, lineEnd - at));
            at = lineLeft ? lineEnd + 1 : end;
        }
        take(entry);
    }
}

QStringView view(QStringView text, Span span)
{
    return text.sliced(span.start, span.length);
}

// The author's words joined by single blanks, as they mostly stand in the output.
QString authorOf(QStringView text, const Entry &entry)
{
    QString author = view(text, entry.author).toString();
    for (QChar &c : author)
        if (separatesWords(c.unicode()))
            c = u' ';
    return author;
}

// The date, one blank and the time; mostly one piece of the output.
bool timestampIsOnePiece(QStringView text, const Entry &entry)
{
    return entry.date.length > 0 && entry.time.length > 0 &&
           entry.time.start == entry.date.start + entry.date.length + 1 &&
           text[entry.time.start - 1] == u' ';
}

// The time stamp as a view: of the output where it is one piece (mostly), else of
// `joined`, which then holds it.
QStringView timestampOf(QStringView text, const Entry &entry, QString &joined)
{
    if (entry.root)
        return QStringView();
    if (timestampIsOnePiece(text, entry))
        return text.sliced(entry.date.start, entry.date.length + 1 + entry.time.length);
    joined = view(text, entry.date) + QLatin1Char(' ') + view(text, entry.time);
    return joined;
}

bool authorIsOnePiece(QStringView text, const Entry &entry)
{
    for (QChar c : view(text, entry.author))
        if (separatesWords(c.unicode()) && c != u' ')
            return false;
    return true;
}

template<qsizetype N>
QString sharedAuthor(QStringView text, const Entry &entry, QVarLengthArray<QString, N> &authors)
{
    if (entry.root)
        return QString();
    if (!authorIsOnePiece(text, entry))
        return authorOf(text, entry);
    const QStringView author = view(text, entry.author);
    for (const QString &known : std::as_const(authors))
        if (known == author)
            return known;
    QString added = author.toString();
    if (authors.size() < N)
        authors.append(added);
    else
        authors[qHash(author) % N] = added;
    return added;
}

template<qsizetype N>
Change::Texts textsOf(QStringView text, const Entry &entry, QVarLengthArray<QString, N> &authors)
{
    Change::Texts texts;
    texts.author = sharedAuthor(text, entry, authors);
    QString joined;
    auto [id, time, commit, description] =
        text::packed<4>({view(text, entry.id), timestampOf(text, entry, joined),
                         view(text, entry.commit), view(text, entry.description)});
    texts.changeId = std::move(id);
    texts.timestamp = std::move(time);
    texts.commitHash = std::move(commit);
    texts.description = std::move(description);
    texts.divergent = entry.divergent;
    return texts;
}

// Whether a record holds what a new record made of the entry would, compared without
// making the texts.
bool holds(const Change &change, QStringView text, const Entry &entry)
{
    if (change.isDivergent() != entry.divergent || !change.changedText().isEmpty() ||
        change.changeId() != view(text, entry.id) ||
        change.commitHash() != view(text, entry.commit) ||
        change.description() != view(text, entry.description))
        return false;
    if (entry.root)
        return change.author().isEmpty() && change.timestamp().isEmpty();
    const QString author = change.author();
    if (authorIsOnePiece(text, entry) ? author != view(text, entry.author)
                                      : author != authorOf(text, entry))
        return false;
    QString joined;
    return change.timestamp() == timestampOf(text, entry, joined);
}

} // namespace

QList<ChangePtr> parseChanges(const QString &output)
{
    QList<ChangePtr> changes;
    QVarLengthArray<QString, 8> authors;
    readEntries(output, [&](const Entry &entry) {
        changes.append(std::make_shared<Change>(textsOf(output, entry, authors)));
    });
    return changes;
}

LogListing::LogListing(QString output) : m_text(std::move(output))
{
    readEntries(m_text, [this](const Entry &entry) { m_entries.push_back(entry); });
}

QStringView LogListing::changeId(qsizetype entry) const
{
    return view(m_text, m_entries[size_t(entry)].id);
}

ChangePtr LogListing::change(qsizetype index, const ChangePtr &listed)
{
    const Entry &entry = m_entries[size_t(index)];
    if (listed && holds(*listed, m_text, entry))
        return listed;
    return std::make_shared<Change>(textsOf(m_text, entry, m_authors));
}

#include "model/LogReader.h"

#include "model/Text.h"

namespace {

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

// The commit id is the last hexadecimal word: marks such as "conflict" may follow it,
// and bookmarks, tags and "git_head()" stand before it.
QStringView commitIdOf(const QList<QStringView> &words)
{
    for (qsizetype i = words.size() - 1; i >= 1; --i)
        if (isHexadecimal(words[i]))
            return words[i];
    return words.last();
}

} // namespace

QList<ChangePtr> parseChanges(const QString &output)
{
    QList<ChangePtr> changes;
    text::LineReader lines(output);
    while (!lines.atEnd()) {
        QList<QStringView> words = text::splitWords(lines.next());
        if (words.size() < 2)
            break;
        auto change = std::make_shared<Change>();

        // jj marks a divergent change with "??" after its id, a hidden one with a word of
        // its own; the marks are no part of the id.
        QStringView id = words[0];
        if (id.endsWith(u"??")) {
            id.chop(2);
            change->setDivergent(true);
        }
        change->setChangeId(id.toString());
        qsizetype at = 1;
        if (words.size() > 2 && words[at] == u"hidden")
            ++at;

        // The root has no author or time and prints one line.
        if (words[at] == u"root()") {
            change->setCommitHash(commitIdOf(words).toString());
            changes.append(std::move(change));
            continue;
        }

        // A placeholder for a missing value is read whole: "(no email set)".
        qsizetype authorEnd = at;
        if (words[at].startsWith(u'(')) {
            while (authorEnd + 1 < words.size() && !words[authorEnd].endsWith(u')'))
                ++authorEnd;
        }
        QString author = words[at].toString();
        for (qsizetype i = at + 1; i <= authorEnd; ++i)
            author += u' ' + words[i];
        change->setAuthor(author);
        const QStringView date =
            authorEnd + 1 < words.size() ? words[authorEnd + 1] : QStringView();
        const QStringView time =
            authorEnd + 2 < words.size() ? words[authorEnd + 2] : QStringView();
        change->setTimestamp(date + QLatin1Char(' ') + time);
        change->setCommitHash(commitIdOf(words).toString());
        change->setDescription(lines.atEnd() ? QString() : lines.next().toString());
        changes.append(std::move(change));
    }
    return changes;
}

#include "model/LogReader.h"

#include "model/Text.h"

QList<ChangePtr> parseChanges(const QString &output)
{
    QList<ChangePtr> changes;
    const QList<QStringView> lines = text::splitLines(output);
    for (qsizetype index = 0; index < lines.size(); index += 2) {
        const QList<QStringView> words = text::splitWords(lines[index]);
        if (words.size() < 2)
            break;
        auto change = std::make_shared<Change>();
        change->setChangeId(words[0].toString());
        change->setAuthor(words[1].toString());
        const QStringView date = words.size() >= 3 ? words[2] : QStringView();
        const QStringView time = words.size() >= 4 ? words[3] : QStringView();
        change->setTimestamp(date + QLatin1Char(' ') + time);
        change->setCommitHash(words.last().toString());
        change->setDescription(index + 1 < lines.size() ? lines[index + 1].toString() : QString());
        changes.append(std::move(change));
    }
    return changes;
}

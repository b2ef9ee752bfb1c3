#include "model/Bookmark.h"

#include "model/Text.h"

bool operator==(const Bookmark &a, const Bookmark &b)
{
    return text::canonicallyEqual(a.name, b.name);
}

size_t qHash(const Bookmark &bookmark, size_t seed)
{
    return text::canonicalHash(bookmark.name, seed);
}

Json Bookmark::toJson() const
{
    Json json = Json::object();
    json["name"] = coding::toUtf8(name);
    json["latestChange"] = latestChange->toJson();
    return json;
}

Bookmark Bookmark::fromJson(const Json &json)
{
    coding::requireObject(json, "Bookmark");
    Bookmark bookmark;
    bookmark.name = coding::requireString(json, "name");
    bookmark.latestChange = Change::fromJson(coding::require(json, "latestChange"));
    return bookmark;
}

namespace {
struct NameAt {
    QString name;    // the bookmark's name
    QString printed; // how the line spells it before its colon
    qsizetype end;   // where the rest of the line begins
};

// The name at the start of a bookmark line: jj quotes a name that is no plain symbol, and
// the quotes are no part of it.
NameAt nameAt(QStringView line)
{
    if (const auto quoted = text::readQuoted(line))
        return {quoted->first, line.first(quoted->second).toString(), quoted->second};
    const QList<QStringView> words = text::splitWords(line);
    // jj prints "name:"; the colons go wherever they stand.
    QString name = words.first().toString();
    const qsizetype end = name.size();
    name.remove(QLatin1Char(':'));
    return {name, name, end};
}
} // namespace

QList<Bookmark> parseBookmarks(const QString &output)
{
    QList<Bookmark> bookmarks;
    for (QStringView line : text::splitLines(output)) {
        auto change = std::make_shared<Change>();
        const NameAt name = nameAt(line);
        // "main: id commit description". A conflicted bookmark ("main (conflicted):") or a
        // deleted one ("old (deleted)") points at no one change: jj's marks are no ids.
        const QList<QStringView> words = text::splitWords(line.sliced(name.end));
        if (words.size() < 2 || !words[1].startsWith(u'(')) {
            QStringView id = words.size() >= 2 ? words[1] : QStringView();
            QString marks;
            if (id.endsWith(u"??")) {
                id.chop(2);
                change->setDivergent(true);
                marks = QStringLiteral("??");
            }
            qsizetype commitAt = 2;
            if (words.size() > 3 && words[2] == u"hidden") {
                commitAt = 3;
                marks = QStringLiteral(" hidden");
            }
            change->setChangeId(id.toString());
            change->setCommitHash(words.size() > commitAt ? words[commitAt].toString() : QString());
            // The description is what follows "name: id commit ", whatever it says.
            const QString prefix = name.printed + QStringLiteral(": ") + change->changeId() +
                                   marks + QLatin1Char(' ') + change->commitHash() +
                                   QLatin1Char(' ');
            change->setDescription(line.startsWith(prefix) ? line.sliced(prefix.size()).toString()
                                                           : line.toString());
        }
        bookmarks.append(Bookmark{name.name, std::move(change)});
    }
    return bookmarks;
}

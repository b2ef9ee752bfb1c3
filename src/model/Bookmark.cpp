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

QList<Bookmark> parseBookmarks(const QString &output)
{
    QList<Bookmark> bookmarks;
    for (QStringView line : text::splitLines(output)) {
        const QList<QStringView> words = text::splitWords(line);
        auto change = std::make_shared<Change>();
        // jj prints "name:"; the colons go wherever they stand.
        QString name = words.isEmpty() ? QString() : words[0].toString();
        name.remove(QLatin1Char(':'));
        change->setChangeId(words.size() >= 2 ? words[1].toString() : QString());
        change->setCommitHash(words.size() >= 3 ? words[2].toString() : QString());
        const QString prefix = name + QStringLiteral(": ") + change->changeId() + QLatin1Char(' ') +
                               change->commitHash() + QLatin1Char(' ');
        change->setDescription(line.startsWith(prefix) ? line.sliced(prefix.size()).toString()
                                                       : line.toString());
        bookmarks.append(Bookmark{std::move(name), std::move(change)});
    }
    return bookmarks;
}

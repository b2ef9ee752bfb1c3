#include "model/Remote.h"

#include "model/Text.h"

#include <QDir>

bool operator==(const Remote &a, const Remote &b)
{
    return a.url == b.url;
}

size_t qHash(const Remote &remote, size_t seed)
{
    return qHash(remote.url, seed);
}

QUrl fileUrlFromPath(const QString &path)
{
    if (path.isEmpty())
        return QUrl(QStringLiteral("file:"));
    return QUrl::fromLocalFile(QDir::isAbsolutePath(path) ? path
                                                          : QDir::currentPath() + u'/' + path);
}

std::string encodeUrl(const QUrl &url)
{
    return url.toEncoded().toStdString();
}

QUrl decodeUrl(const Json &object, const char *key)
{
    const QString text = coding::requireString(object, key);
    return QUrl::fromEncoded(text.toUtf8());
}

Json Remote::toJson() const
{
    Json json = Json::object();
    json["name"] = coding::toUtf8(name);
    json["url"] = encodeUrl(url);
    return json;
}

Remote Remote::fromJson(const Json &json)
{
    coding::requireObject(json, "Remote");
    Remote remote;
    remote.name = coding::requireString(json, "name");
    remote.url = decodeUrl(json, "url");
    return remote;
}

QList<Remote> parseRemotes(const QString &output)
{
    QList<Remote> remotes;
    for (QStringView line : text::splitLines(output)) {
        // An empty line (the one after the last line break) is no remote.
        if (line.isEmpty())
            continue;
        // The name is the first word; the address is the rest of the line as jj prints
        // it, blanks and all.
        const QStringView name = text::splitWords(line).first();
        const QStringView address = line.sliced(std::min(name.size() + 1, line.size()));
        remotes.append(Remote{name.toString(), fileUrlFromPath(address.toString())});
    }
    return remotes;
}

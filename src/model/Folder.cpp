#include "model/Folder.h"

#include "model/Remote.h"

QString Folder::name() const
{
    const QStringList pieces =
        url.path(QUrl::FullyDecoded).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    return pieces.isEmpty() ? QString() : pieces.last();
}

Json Folder::toJson() const
{
    Json json = Json::object();
    json["url"] = encodeUrl(url);
    return json;
}

Folder Folder::fromJson(const Json &json)
{
    coding::requireObject(json, "Folder");
    return Folder(decodeUrl(json, "url"));
}

size_t qHash(const Folder &folder, size_t seed)
{
    return qHash(folder.url, seed);
}

QString localPath(const QUrl &url)
{
    return url.isLocalFile() ? url.toLocalFile() : url.path(QUrl::FullyDecoded);
}

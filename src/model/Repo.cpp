#include "model/Repo.h"

#include "model/Alert.h"
#include "model/CommandProcess.h"
#include "model/JujutsuCommand.h"

#include <QDir>
#include <QFileInfo>
#include <QHashFunctions>

Repo Repo::empty(const QUrl &url)
{
    Repo repo;
    repo.folder = Folder(url);
    return repo;
}

namespace {
template<typename T> bool sameElements(const QList<T> &a, const QList<T> &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (!(a[i] == b[i]))
            return false;
    return true;
}

bool sameChanges(const QList<ChangePtr> &a, const QList<ChangePtr> &b)
{
    if (a.size() != b.size())
        return false;
    if (a.isSharedWith(b))
        return true;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (!(*a[i] == *b[i]))
            return false;
    return true;
}

template<typename T> Json encodeList(const QList<T> &items)
{
    Json list = Json::array();
    for (const T &item : items)
        list.push_back(item.toJson());
    return list;
}

template<typename T, typename Decode>
QList<T> decodeList(const Json &object, const char *key, Decode decode)
{
    const Json &value = coding::require(object, key);
    if (!value.is_array())
        throw CodingError(std::string("expected a list for the key \"") + key + "\"");
    QList<T> items;
    items.reserve(static_cast<qsizetype>(value.size()));
    for (const Json &element : value)
        items.append(decode(element));
    return items;
}
} // namespace

bool operator==(const Repo &a, const Repo &b)
{
    return a.folder == b.folder && sameChanges(a.changes, b.changes) &&
           a.selectedChanges == b.selectedChanges && sameElements(a.bookmarks, b.bookmarks) &&
           a.currentBookmark == b.currentBookmark && sameElements(a.remotes, b.remotes) &&
           a.currentRemote == b.currentRemote;
}

size_t qHash(const Repo &repo, size_t seed)
{
    seed = qHashMulti(seed, repo.folder.url, repo.changes.size());
    for (const ChangePtr &change : repo.changes)
        seed = qHashMulti(seed, qHash(*change));
    return seed;
}

Json Repo::toJson() const
{
    Json json = Json::object();
    json["folder"] = folder.toJson();
    Json changeList = Json::array();
    for (const ChangePtr &change : changes)
        changeList.push_back(change->toJson());
    json["changes"] = std::move(changeList);
    Json selected = Json::array();
    for (const ChangePtr &change : selectedChanges)
        selected.push_back(change->toJson());
    json["selectedChanges"] = std::move(selected);
    json["bookmarks"] = encodeList(bookmarks);
    if (currentBookmark)
        json["currentBookmark"] = currentBookmark->toJson();
    json["remotes"] = encodeList(remotes);
    if (currentRemote)
        json["currentRemote"] = currentRemote->toJson();
    return json;
}

Repo Repo::fromJson(const Json &json)
{
    coding::requireObject(json, "Repo");
    Repo repo;
    repo.folder = Folder::fromJson(coding::require(json, "folder"));
    repo.changes = decodeList<ChangePtr>(json, "changes", &Change::fromJson);
    repo.selectedChanges =
        ChangeSet::fromList(decodeList<ChangePtr>(json, "selectedChanges", &Change::fromJson));
    repo.bookmarks = decodeList<Bookmark>(json, "bookmarks", &Bookmark::fromJson);
    if (const Json *bookmark = coding::optional(json, "currentBookmark"))
        repo.currentBookmark = Bookmark::fromJson(*bookmark);
    repo.remotes = decodeList<Remote>(json, "remotes", &Remote::fromJson);
    if (const Json *remote = coding::optional(json, "currentRemote"))
        repo.currentRemote = Remote::fromJson(*remote);
    return repo;
}

QCoro::Task<std::optional<Repo>> Repo::create(QUrl url)
{
    const QString path = QDir::cleanPath(localPath(url));
    const QUrl parent = QUrl::fromLocalFile(QFileInfo(path).path());
    const CommandResult result = co_await runCommand(parent, JujutsuCommand::createRepo(url));
    if (result.isError) {
        co_await platform::showErrorAlert(result.text);
        co_return std::nullopt;
    }
    co_return Repo::empty(url);
}

QCoro::Task<> Repo::clone(QString source, QUrl destination)
{
    const CommandResult result =
        co_await runCommand(QUrl::fromLocalFile(QStringLiteral("/")),
                            JujutsuCommand::clone(std::move(source), localPath(destination)));
    if (result.isError)
        co_await platform::showErrorAlert(result.text);
}

bool Repo::isJujutsuRepo(const QUrl &url)
{
    const QFileInfo info(QDir(localPath(url)).filePath(QStringLiteral(".jj")));
    return info.exists() && info.isDir();
}

#pragma once

#include "model/Bookmark.h"
#include "model/ChangeSet.h"
#include "model/Coding.h"
#include "model/Folder.h"
#include "model/Remote.h"

#include <QCoro/QCoroTask>
#include <QList>

#include <optional>

// The value model of one repository as one window shows it. Copies share the change
// records.
struct Repo {
    Folder folder;
    QList<ChangePtr> changes;
    ChangeSet selectedChanges;
    QList<Bookmark> bookmarks;
    std::optional<Bookmark> currentBookmark;
    QList<Remote> remotes;
    std::optional<Remote> currentRemote;

    // An empty repository value for a folder.
    static Repo empty(const QUrl &url);

    Json toJson() const;
    // Throws CodingError on a missing required key or a value of the wrong shape.
    static Repo fromJson(const Json &json);

    // Makes a new colocated repository at the URL with jj, run in the parent folder.
    // A failed run shows the error alert and gives nothing.
    static QCoro::Task<std::optional<Repo>> create(QUrl url);

    // Clones the source, exactly as given, into the destination folder with jj, run in
    // "/". A failed clone shows the error alert; a successful one's output is dropped.
    static QCoro::Task<> clone(QString source, QUrl destination);

    // Whether the folder holds a directory named ".jj".
    static bool isJujutsuRepo(const QUrl &url);

    // Every field by its own element equality: changes by id, bookmarks by name,
    // remotes by location.
    friend bool operator==(const Repo &a, const Repo &b);
};

// Feeds the folder and the change list only.
size_t qHash(const Repo &repo, size_t seed = 0);

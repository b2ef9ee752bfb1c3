#pragma once

#include "model/Change.h"
#include "model/Coding.h"

#include <QList>
#include <QString>

// A jj bookmark and the change it points at. Equality and hashing use the name only.
struct Bookmark {
    QString name;
    ChangePtr latestChange = std::make_shared<Change>();

    Json toJson() const;
    static Bookmark fromJson(const Json &json);
};

bool operator==(const Bookmark &a, const Bookmark &b);
size_t qHash(const Bookmark &bookmark, size_t seed = 0);

// Reads the default output of `jj bookmark list`: one bookmark per line, in line order
// (only "\n" ends a line). A quoted name is read without its quotes; a conflicted or
// deleted bookmark gets an empty change. Indented lines give bookmarks without a name.
// Never fails; lines of another shape give bookmarks made of whatever words stand there.
QList<Bookmark> parseBookmarks(const QString &output);

#pragma once

#include "model/Coding.h"

#include <QList>
#include <QString>
#include <QUrl>

// A git remote of the repository. Equality and hashing use the location only.
struct Remote {
    QString name;
    QUrl url;

    Json toJson() const;
    static Remote fromJson(const Json &json);
};

bool operator==(const Remote &a, const Remote &b);
size_t qHash(const Remote &remote, size_t seed = 0);

// The file URL of a path; relative paths resolve against the current directory, and
// the empty path gives one fixed URL.
QUrl fileUrlFromPath(const QString &path);

// URLs in persisted forms.
std::string encodeUrl(const QUrl &url);
QUrl decodeUrl(const Json &object, const char *key);

// Reads the default output of `jj git remote list`: one remote per line, its name and
// then its address, the rest of the line. Empty lines are no remotes. Every location
// becomes a file URL, whatever its form.
QList<Remote> parseRemotes(const QString &output);

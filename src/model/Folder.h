#pragma once

#include "model/Coding.h"

#include <QString>
#include <QUrl>

// A repository folder: the working directory of every jj run for the repository.
class Folder {
public:
    Folder() = default;
    explicit Folder(QUrl url) : url(std::move(url)) {}

    QUrl url;

    // The last non-empty component of the path; empty for the root folder.
    QString name() const;

    Json toJson() const;
    static Folder fromJson(const Json &json);

    friend bool operator==(const Folder &a, const Folder &b) { return a.url == b.url; }
};

size_t qHash(const Folder &folder, size_t seed = 0);

// The folder's file-system path as jj is given it.
QString localPath(const QUrl &url);

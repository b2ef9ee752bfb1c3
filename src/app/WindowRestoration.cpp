#include "app/WindowRestoration.h"

#include "app/WindowGroup.h"
#include "model/RepoController.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <cstdio>

namespace platform::WindowRestoration {

namespace {

void report(const QString &line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

// Keeps a state file the application could not use, for the user to look at.
void setAside(const QString &path, const QString &why)
{
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    QString target = path + QStringLiteral(".unreadable-") + stamp;
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = path + QStringLiteral(".unreadable-") + stamp + u'-' + QString::number(n);
    if (QFile::rename(path, target))
        report(QStringLiteral("Window state %1 could not be used (%2); kept as %3")
                   .arg(path, why, target));
    else
        report(
            QStringLiteral("Window state %1 could not be used (%2) nor set aside").arg(path, why));
}

} // namespace

QString stateFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/windows.json");
}

bool saveWindows(const WindowGroup &group, const QString &path)
{
    Json windows = Json::array();
    for (const QMainWindow *window : group.windows()) {
        // A window without a value has nothing to restore.
        if (const RepoController *controller = group.valueOf(window);
            controller && group.hasValue(window))
            windows.push_back(controller->toJson());
    }
    QDir().mkpath(QFileInfo(path).path());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        report(QStringLiteral("Window state %1 could not be written: %2")
                   .arg(path, file.errorString()));
        return false;
    }
    const std::string text = windows.dump();
    file.write(text.data(), qint64(text.size()));
    if (!file.commit()) {
        report(QStringLiteral("Window state %1 could not be written: %2")
                   .arg(path, file.errorString()));
        return false;
    }
    return true;
}

int restoreWindows(WindowGroup &group, const QString &path)
{
    QFile file(path);
    if (!file.exists())
        return 0;
    if (!file.open(QIODevice::ReadOnly)) {
        setAside(path, file.errorString());
        return 0;
    }
    const QByteArray bytes = file.readAll();
    file.close();

    const Json windows = Json::parse(bytes.constBegin(), bytes.constEnd(), nullptr, false);
    if (windows.is_discarded() || !windows.is_array()) {
        setAside(path, windows.is_discarded() ? QStringLiteral("not JSON")
                                              : QStringLiteral("not a list of windows"));
        return 0;
    }
    std::vector<std::unique_ptr<RepoController>> controllers;
    QString problem;
    for (const Json &value : windows) {
        try {
            controllers.push_back(RepoController::fromJson(value));
        } catch (const std::exception &e) {
            problem = QString::fromUtf8(e.what());
        }
    }
    // Its undecodable values would be lost at the next save.
    if (!problem.isEmpty())
        setAside(path, problem);
    int opened = 0;
    for (auto &controller : controllers)
        opened += group.openWindow(std::move(controller)) ? 1 : 0;
    return opened;
}

} // namespace platform::WindowRestoration

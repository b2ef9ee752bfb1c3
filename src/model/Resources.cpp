#include "model/Resources.h"

#include <QCoreApplication>
#include <QDir>

namespace platform {

namespace {
QString &overrideFolder()
{
    static QString folder;
    return folder;
}
} // namespace

QString resourceFolder()
{
    if (!overrideFolder().isEmpty())
        return overrideFolder();
    if (!QCoreApplication::instance())
        return {};
    return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/../share/ostrel"));
}

void setResourceFolderForTesting(const QString &folder)
{
    overrideFolder() = folder;
}

} // namespace platform

#pragma once

#include <QString>

namespace platform {

// The application's resources folder: <folder of the executable>/../share/ostrel.
// Empty when there is no application object to ask.
QString resourceFolder();

// Lets tests point the application at another resources folder; an empty string
// restores the default.
void setResourceFolderForTesting(const QString &folder);

} // namespace platform

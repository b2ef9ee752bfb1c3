#pragma once

#include <QCoro/QCoroTask>
#include <QString>

namespace platform {

class WindowGroup;

// Keeps the open windows across launches: each window's value, encoded, with the place
// and size of its window, in a state file in the user's application-data folder.
namespace WindowRestoration {

QString stateFilePath();

// A state file larger than this is not read: a window listing 100 000 changes takes
// about 23 MB, so this holds several such windows.
constexpr qint64 stateFileLimit = qint64(128) << 20;

// Replaces the state file, atomically, with the values of the group's open windows in
// their order. False (with a line on standard output) when it could not be written, and
// while a restore is under way: the file then holds windows that are not open yet.
bool saveWindows(const WindowGroup &group, const QString &path = stateFilePath());

// Reopens the windows of the state file and gives how many opened. The file is read and
// decoded off the GUI thread, and long lists are made into records a few milliseconds at
// a time, so the application answers while they come back. Only a regular file of at
// most stateFileLimit bytes is read. A file that cannot be read, or holds a value that
// cannot be decoded, is renamed aside (never deleted); a file that cannot be read opens
// no window. Files written before windows kept their places are read too.
QCoro::Task<int> restoreWindows(WindowGroup &group, QString path = stateFilePath());

} // namespace WindowRestoration

} // namespace platform

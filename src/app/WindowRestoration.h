#pragma once

#include <QString>

namespace platform {

class WindowGroup;

// Keeps the open windows across launches: each window's value, encoded, in a state file
// in the user's application-data folder.
namespace WindowRestoration {

QString stateFilePath();

// Replaces the state file, atomically, with the values of the group's open windows in
// their order. False (with a line on standard output) when it could not be written.
bool saveWindows(const WindowGroup &group, const QString &path = stateFilePath());

// Reopens the windows of the state file and gives how many opened. A file that cannot
// be read, or holds a value that cannot be decoded, is renamed aside (never deleted);
// a file that cannot be read opens no window.
int restoreWindows(WindowGroup &group, const QString &path = stateFilePath());

} // namespace WindowRestoration

} // namespace platform

#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The repositories the benchmarks measure against, and the settings every jj they run
// sees.
namespace bench {

// Gives this process, and so every jj it starts, a home, a jj configuration (an empty
// file), a user name and an e-mail of its own, so that the developer's settings change
// no figure. Call first thing in main, before an application object exists.
void useOwnJjSettings();

// The jj the application bundles and runs.
QString bundledJj();

// A colocated repository whose history is a line of `changes` commits, each touching one
// file, by a few authors with varied one-line and multi-line messages, and a remote
// `origin` whose `main` is the last commit, as a clone has. Built once with git
// fast-import and `jj git init --colocate`, then kept under
// ~/.cache/ostrel/bench-repos/<changes>. Empty, with a line on standard error, when it
// could not be built.
QString repository(int changes);

// Runs the bundled jj in a folder and gives its standard output, or nothing on failure.
QByteArray runJj(const QString &folder, const QStringList &arguments);

} // namespace bench

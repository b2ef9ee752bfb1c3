#pragma once

#include "model/CommandResult.h"

#include <QCoro/QCoroTask>
#include <QString>
#include <QStringList>
#include <QUrl>

class JujutsuCommand;

// One jj invocation as a child process: the jj in the application's resources folder,
// never one looked up on the PATH. Every run reads the configuration file beside that jj
// (jj's global option --config-file, ahead of the arguments), which pins the display
// settings our readers rely on over whatever the user's own jj configuration says.
class CommandProcess {
public:
    explicit CommandProcess(const QUrl &workingDirectory);

    QStringList arguments;
    QString executableLocation;
    QString workingDirectory;

    // Awaits the child without blocking the event loop; never throws. The child gets the
    // application's environment unchanged and no standard input; there is no time limit.
    QCoro::Task<CommandResult> run() const;

    // The configuration file that goes with the jj at this location.
    static QString configFileFor(const QString &executableLocation);

    // Standard error beyond this many bytes makes the run a failure.
    static constexpr qsizetype standardErrorLimit = 100000;
};

// Runs one command in a folder: the process is made for the folder, given the command's
// arguments as they are now, and awaited.
QCoro::Task<CommandResult> runCommand(QUrl workingDirectory, JujutsuCommand command);

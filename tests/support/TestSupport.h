#pragma once

#include "model/ChangeSet.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace testing {

// A change record with an id (and a description).
ChangePtr makeChange(const QString &id, const QString &description = {});
// The change ids of a list, in order.
QStringList changeIds(const QList<ChangePtr> &changes);
inline QStringList changeIds(const ChangeSet &changes)
{
    return changeIds(changes.toList());
}
// Changes with these ids, each described "about <id>".
QList<ChangePtr> makeChanges(const QStringList &ids);
// An argument vector from literals.
QStringList argv(std::initializer_list<const char *> arguments);

// Reads a file of the captured jj samples.
QString sample(const QString &name);
QStringList sampleNames(const QString &prefix);

// The log that every scripted jj of the tests keeps: one record per run, written in one
// piece so that runs at the same time do not mix, holding the run's folder and its
// arguments (which may hold line breaks).
// The shell line takes the log file as a shell word, quoted as the script needs it.
QString logRunShellLine(const QString &logFileWord);
struct LoggedRun {
    QString folder;
    QStringList arguments;
};
QList<LoggedRun> readRunLog(const QString &logPath);

// Records every alert instead of showing it, for as long as it lives.
class AlertRecorder {
public:
    AlertRecorder();
    ~AlertRecorder();
    struct Alert {
        QString message;
        QString informative;
        // What the alert was about; only compared, it may be gone by now.
        const QObject *context = nullptr;
    };
    QList<Alert> alerts;
};

// A resources folder of its own whose `jj` is the given shell script body, run by
// /bin/sh. The script sees the command's own arguments as "$@": the configuration file
// that every run names first is taken off, unless it is asked to see it. Restores the
// application's resources folder when it goes.
class ScriptedJj {
public:
    enum Option { StripsConfigOption, SeesConfigOption };
    explicit ScriptedJj(const QString &scriptBody, Option option = StripsConfigOption);
    ~ScriptedJj();
    QString folder() const { return m_dir.path(); }
    QString jjPath() const { return m_dir.filePath(QStringLiteral("jj")); }

private:
    QTemporaryDir m_dir;
    QString m_previousFolder;
};

// A resources folder whose `jj` logs each argument vector, then runs the bundled jj,
// so that tests can see which commands ran. Also gives every jj it runs a home, an
// identity and a clock of the test's own, and a hostile user configuration (see
// useTestJjEnvironment).
class RecordingJj {
public:
    RecordingJj();
    ~RecordingJj();
    // The argument vectors run so far, oldest first.
    QList<QStringList> commands() const;
    void clear();
    // The scratch folder where tests make their repositories.
    QString workspace() const { return m_workspace.path(); }

private:
    QTemporaryDir m_dir;
    QTemporaryDir m_workspace;
};

// The child processes of the test that have not been reaped yet: the jj runs still
// going, seen from outside the code that awaits them.
int runningChildProcesses();

// Runs the bundled jj synchronously in a folder, for test set-up only, with the
// application's pinned display settings.
QString runJj(const QString &workingDirectory, const QStringList &arguments,
              int *exitCode = nullptr);

// Gives every jj the process starts a home, an identity and a clock of its own, and, as
// the user's own jj configuration, one that changes every output the application reads
// (colours, templates, time stamps, diff format, line wrapping): the application must
// read jj the same way whatever the user configured. Never fixes jj's randomness: every
// process would then make the same change ids.
void useTestJjEnvironment(const QString &home);
// The user configuration that useTestJjEnvironment installs, and an empty one.
QString hostileJjConfig();
void useUserJjConfig(const QString &path);

// Writes a file below a folder, creating folders on the way.
void writeFile(const QString &path, const QByteArray &contents);

// Makes, in the repository at the path, a history with every kind of change the readers
// and editors meet: descriptions of several paragraphs, indented lines, lines that look
// like options or file sections, no-break spaces, tabs, carriage returns and Unicode line
// breaks; files added, modified, removed, renamed, made executable and linked; an empty
// change, a conflict, an undescribed change, an author without e-mail and one with
// parentheses in the name.
void makeHistory(const QString &path);

} // namespace testing

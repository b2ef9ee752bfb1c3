#include "support/TestSupport.h"

#include "model/Alert.h"
#include "model/Resources.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace testing {

ChangePtr makeChange(const QString &id, const QString &description)
{
    auto change = std::make_shared<Change>();
    change->setChangeId(id);
    change->setDescription(description);
    return change;
}

QStringList changeIds(const QList<ChangePtr> &changes)
{
    QStringList ids;
    for (const ChangePtr &change : changes)
        ids.append(change->changeId());
    return ids;
}

QList<ChangePtr> makeChanges(const QStringList &ids)
{
    QList<ChangePtr> changes;
    for (const QString &id : ids)
        changes.append(makeChange(id, QStringLiteral("about ") + id));
    return changes;
}

QStringList argv(std::initializer_list<const char *> arguments)
{
    QStringList out;
    for (const char *argument : arguments)
        out.append(QString::fromUtf8(argument));
    return out;
}

QString sample(const QString &name)
{
    QFile file(QStringLiteral(OSTREL_SAMPLES_DIR "/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing sample %s", qPrintable(name));
    return QString::fromUtf8(file.readAll());
}

QStringList sampleNames(const QString &prefix)
{
    return QDir(QStringLiteral(OSTREL_SAMPLES_DIR))
        .entryList({prefix + QStringLiteral("*.txt")}, QDir::Files, QDir::Name);
}

QString logRunShellLine(const QString &logFileWord)
{
    return QStringLiteral(
               "record=$(printf '%s' \"$PWD\"; for a in \"$@\"; do printf '\\037%s' \"$a\"; "
               "done; printf x)\nprintf '%s\\036' \"${record%x}\" >> ") +
           logFileWord + u'\n';
}

QList<LoggedRun> readRunLog(const QString &logPath)
{
    QFile file(logPath);
    QList<LoggedRun> runs;
    if (!file.open(QIODevice::ReadOnly))
        return runs;
    const QStringList records =
        QString::fromUtf8(file.readAll()).split(u'\036', Qt::SkipEmptyParts);
    for (const QString &record : records) {
        QStringList fields = record.split(u'\037');
        const QString folder = fields.takeFirst();
        runs.append({folder, fields});
    }
    return runs;
}

AlertRecorder::AlertRecorder()
{
    platform::setAlertPresenter(
        [this](QString message, QString informative, const QObject *context) -> QCoro::Task<> {
            alerts.append({std::move(message), std::move(informative), context});
            co_return;
        });
}

AlertRecorder::~AlertRecorder()
{
    platform::setAlertPresenter(nullptr);
}

namespace {
void writeExecutable(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    file.write(contents);
    file.close();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

// The log that the scripts write: the arguments of a run separated by NUL, then a record
// separator, so that arguments may hold line breaks.
} // namespace

ScriptedJj::ScriptedJj(const QString &scriptBody, Option option)
{
    const QByteArray strip =
        option == StripsConfigOption ? "if [ \"$1\" = --config-file ]; then shift 2; fi\n" : "";
    writeExecutable(jjPath(), "#!/bin/sh\n" + strip + scriptBody.toUtf8() + '\n');
    m_previousFolder = platform::resourceFolder();
    platform::setResourceFolderForTesting(folder());
}

ScriptedJj::~ScriptedJj()
{
    platform::setResourceFolderForTesting(m_previousFolder);
}

RecordingJj::RecordingJj()
{
    useTestJjEnvironment(m_workspace.filePath(QStringLiteral("home")));
    // The log holds the command's own arguments; the bundled jj gets the configuration
    // file too, which is the application's own copy.
    const QByteArray script =
        "#!/bin/sh\n"
        "config=\"$2\"; shift 2\n" +
        logRunShellLine(u'"' + m_dir.filePath(QStringLiteral("log")) + u'"').toUtf8() +
        "exec \"" OSTREL_BUNDLED_JJ "\" --config-file \"$config\" \"$@\"\n";
    writeExecutable(m_dir.filePath(QStringLiteral("jj")), script);
    QFile::copy(QStringLiteral(OSTREL_BUNDLED_JJ_CONFIG),
                m_dir.filePath(QStringLiteral("jj-config.toml")));
    platform::setResourceFolderForTesting(m_dir.path());
}

RecordingJj::~RecordingJj()
{
    platform::setResourceFolderForTesting(QString());
}

QList<QStringList> RecordingJj::commands() const
{
    QList<QStringList> commands;
    for (const LoggedRun &run : readRunLog(m_dir.filePath(QStringLiteral("log"))))
        commands.append(run.arguments);
    return commands;
}

void RecordingJj::clear()
{
    QFile::remove(m_dir.filePath(QStringLiteral("log")));
}

QString hostileJjConfig()
{
    return QStringLiteral(OSTREL_HOSTILE_JJ_CONFIG);
}

void useUserJjConfig(const QString &path)
{
    qputenv("JJ_CONFIG", path.toUtf8());
}

void useTestJjEnvironment(const QString &home)
{
    QDir().mkpath(home);
    qputenv("HOME", home.toUtf8());
    qputenv("JJ_USER", "Test User");
    qputenv("JJ_EMAIL", "test.user@example.com");
    qputenv("JJ_TIMESTAMP", "2001-02-03T04:05:06+07:00");
    qputenv("TZ", "UTC");
    qputenv("GIT_CONFIG_NOSYSTEM", "1");
    useUserJjConfig(hostileJjConfig());
}

int runningChildProcesses()
{
    const QByteArray self = QByteArray::number(QCoreApplication::applicationPid());
    int count = 0;
    const QStringList entries =
        QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        QFile stat(QStringLiteral("/proc/") + entry + QStringLiteral("/stat"));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (name) state ppid ...": the name may hold blanks, so read after the last ')'.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1] == self)
            ++count;
    }
    return count;
}

QString runJj(const QString &workingDirectory, const QStringList &arguments, int *exitCode)
{
    QProcess process;
    process.setWorkingDirectory(workingDirectory);
    process.start(
        QStringLiteral(OSTREL_BUNDLED_JJ),
        QStringList{QStringLiteral("--config-file"), QStringLiteral(OSTREL_BUNDLED_JJ_CONFIG)} +
            arguments);
    process.waitForFinished(-1);
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromUtf8(process.readAllStandardOutput());
}

void writeFile(const QString &path, const QByteArray &contents)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    file.write(contents);
}

void makeHistory(const QString &path)
{
    auto jj = [&path](const QStringList &arguments) {
        int exitCode = -1;
        const QString output = runJj(path, arguments, &exitCode);
        if (exitCode != 0)
            qWarning("jj %s failed", qPrintable(arguments.join(u' ')));
        return output;
    };
    auto write = [&path](const QString &name, const QByteArray &contents) {
        writeFile(path + u'/' + name, contents);
    };
    auto commit = [&jj](const QString &message) {
        jj({QStringLiteral("commit"), QStringLiteral("--message=") + message});
    };
    write(QStringLiteral("a.txt"), "one\n");
    write(QStringLiteral("gone.txt"), "bye\n");
    write(QStringLiteral("old name.txt"), "moved\n");
    commit(QStringLiteral("Add files\n\nThe body says why.\n  indented line\n- a dash\n"));
    write(QStringLiteral("a.txt"), "one\ntwo\n");
    QFile::remove(path + QStringLiteral("/gone.txt"));
    QFile::rename(path + QStringLiteral("/old name.txt"), path + QStringLiteral("/new.txt"));
    commit(QStringLiteral("Modify, remove and rename\n\nAdded regular file x:\n"
                          "Modified regular file y:\n\nStill the description."));
    write(QStringLiteral("run.sh"), "#!/bin/sh\n");
    QFile::setPermissions(path + QStringLiteral("/run.sh"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile::link(QStringLiteral("a.txt"), path + QStringLiteral("/link"));
    commit(QStringLiteral("\u00a0edge\u00a0 in\u00a0side, a\u2028separator, \u0085 NEL, "
                          "\v VT, \f FF\n\n\ttabbed\r\nCR LF\rCR\u2029PS\n   \nafter blanks"));
    commit(QStringLiteral("- starts like an option"));
    commit(QString()); // an empty change without a description
    qputenv("JJ_USER", "Jane (JD) Doe");
    jj({QStringLiteral("new"), QStringLiteral("-m"), QStringLiteral("By Jane")});
    write(QStringLiteral("a.txt"), "one\ntwo\nthree\n");
    qputenv("JJ_EMAIL", "");
    jj({QStringLiteral("new"), QStringLiteral("-m"), QStringLiteral("No e-mail")});
    qputenv("JJ_USER", "Test User");
    qputenv("JJ_EMAIL", "test.user@example.com");
    // Two siblings that change the same line, one rebased onto the other: a conflict.
    jj({QStringLiteral("new"), QStringLiteral("-m"), QStringLiteral("Left")});
    write(QStringLiteral("a.txt"), "left\n");
    const QString left =
        jj({QStringLiteral("log"), QStringLiteral("--no-graph"), QStringLiteral("-r"),
            QStringLiteral("@"), QStringLiteral("-T"), QStringLiteral("change_id")});
    jj({QStringLiteral("new"), QStringLiteral("@-"), QStringLiteral("-m"),
        QStringLiteral("Right")});
    write(QStringLiteral("a.txt"), "right\n");
    jj({QStringLiteral("new")});
    jj({QStringLiteral("rebase"), QStringLiteral("-r"), QStringLiteral("@-"), QStringLiteral("-d"),
        left});
}

} // namespace testing

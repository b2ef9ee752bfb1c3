#include "support/TestSupport.h"

#include "platform/Alert.h"
#include "platform/Resources.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace testing {

ChangePtr makeChange(const QString &id, const QString &description) {
    auto change = std::make_shared<Change>();
    change->setChangeId(id);
    change->setDescription(description);
    return change;
}

QStringList changeIds(const QList<ChangePtr> &changes) {
    QStringList ids;
    for (const ChangePtr &change : changes)
        ids.append(change->changeId());
    return ids;
}

QStringList argv(std::initializer_list<const char *> arguments) {
    QStringList out;
    for (const char *argument : arguments)
        out.append(QString::fromUtf8(argument));
    return out;
}

QString sample(const QString &name) {
    QFile file(QStringLiteral(OSTREL_SAMPLES_DIR "/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing sample %s", qPrintable(name));
    return QString::fromUtf8(file.readAll());
}

QStringList sampleNames(const QString &prefix) {
    return QDir(QStringLiteral(OSTREL_SAMPLES_DIR))
        .entryList({prefix + QStringLiteral("*.txt")}, QDir::Files, QDir::Name);
}

AlertRecorder::AlertRecorder() {
    platform::setAlertPresenter([this](QString message, QString informative) -> QCoro::Task<> {
        alerts.append({std::move(message), std::move(informative)});
        co_return;
    });
}

AlertRecorder::~AlertRecorder() {
    platform::setAlertPresenter(nullptr);
}

namespace {
void writeExecutable(const QString &path, const QByteArray &contents) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    file.write(contents);
    file.close();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

// The log that the scripts write: the arguments of a run separated by NUL, then a record
// separator, so that arguments may hold line breaks.
const QByteArray logRecord = "{ printf '%s\\0' \"$@\"; printf '\\036\\n'; } >> \"";

QList<QStringList> readCommandLog(const QString &path) {
    QFile file(path);
    QList<QStringList> result;
    if (!file.open(QIODevice::ReadOnly))
        return result;
    const QList<QByteArray> records = file.readAll().split('\036');
    for (QByteArray record : records) {
        if (record.startsWith('\n'))
            record.remove(0, 1);
        if (record.isEmpty())
            continue;
        QStringList args;
        const QList<QByteArray> parts = record.split('\0');
        for (qsizetype i = 0; i + 1 < parts.size(); ++i)
            args.append(QString::fromUtf8(parts[i]));
        result.append(args);
    }
    return result;
}
} // namespace

ScriptedJj::ScriptedJj(const QString &scriptBody) {
    writeExecutable(jjPath(), "#!/bin/sh\n" + scriptBody.toUtf8() + '\n');
    platform::setResourceFolderForTesting(folder());
}

ScriptedJj::~ScriptedJj() {
    platform::setResourceFolderForTesting(QString());
}

RecordingJj::RecordingJj() {
    useRepeatableJjEnvironment(m_workspace.filePath(QStringLiteral("home")));
    const QByteArray script = "#!/bin/sh\n" + logRecord +
                              m_dir.filePath(QStringLiteral("log")).toUtf8() +
                              "\"\n"
                              "exec \"" OSTREL_BUNDLED_JJ "\" \"$@\"\n";
    writeExecutable(m_dir.filePath(QStringLiteral("jj")), script);
    platform::setResourceFolderForTesting(m_dir.path());
}

RecordingJj::~RecordingJj() {
    platform::setResourceFolderForTesting(QString());
}

QList<QStringList> RecordingJj::commands() const {
    return readCommandLog(m_dir.filePath(QStringLiteral("log")));
}

void RecordingJj::clear() {
    QFile::remove(m_dir.filePath(QStringLiteral("log")));
}

void useRepeatableJjEnvironment(const QString &home) {
    QDir().mkpath(home);
    qputenv("HOME", home.toUtf8());
    qputenv("JJ_USER", "Test User");
    qputenv("JJ_EMAIL", "test.user@example.com");
    qputenv("JJ_TIMESTAMP", "2001-02-03T04:05:06+07:00");
    qputenv("JJ_RANDOMNESS_SEED", "42");
    qputenv("TZ", "UTC");
    qputenv("GIT_CONFIG_NOSYSTEM", "1");
}

QString runJj(const QString &workingDirectory, const QStringList &arguments, int *exitCode) {
    QProcess process;
    process.setWorkingDirectory(workingDirectory);
    process.start(QStringLiteral(OSTREL_BUNDLED_JJ), arguments);
    process.waitForFinished(-1);
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromUtf8(process.readAllStandardOutput());
}

void writeFile(const QString &path, const QByteArray &contents) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    file.write(contents);
}

} // namespace testing

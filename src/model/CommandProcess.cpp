#include "model/CommandProcess.h"

#include "model/Folder.h"
#include "model/JujutsuCommand.h"
#include "model/Resources.h"

#include <QCoro/QCoroFuture>
#include <QCoro/QCoroSignal>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtConcurrent/QtConcurrentRun>

#include <sys/mman.h>
#include <unistd.h>

#include <memory>

namespace {

// A file in memory that takes the child's standard output. Written to a pipe, jj's output
// would wake the application for every few lines it writes; written here, it is read once,
// after jj has ended, by a thread of its own.
class OutputFile {
public:
    OutputFile() : m_fd(memfd_create("jj-standard-output", MFD_CLOEXEC)) {}
    ~OutputFile()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;

    bool isOpen() const { return m_fd >= 0; }
    // Where the child's side opens it.
    QString path() const { return QStringLiteral("/proc/self/fd/%1").arg(m_fd); }

    // The text the child wrote. Runs on any thread, which owns the file it reads through.
    QString text() const
    {
        QFile file;
        if (!file.open(m_fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
            return QString();
        const qint64 size = file.size();
        if (size <= 0)
            return QString();
        if (const uchar *mapped = file.map(0, size))
            return QString::fromUtf8(reinterpret_cast<const char *>(mapped), qsizetype(size));
        return QString::fromUtf8(file.readAll());
    }

private:
    int m_fd;
};

// Ends once the child has finished or could not start; QProcess reports the latter
// without a finished signal.
class ChildWatch : public QObject {
    Q_OBJECT
public:
    explicit ChildWatch(QProcess *process)
    {
        connect(process, &QProcess::finished, this, &ChildWatch::end);
        connect(process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart) {
                failedToStart = true;
                end();
            }
        });
    }
    bool ended = false;
    bool failedToStart = false;

signals:
    void done();

private:
    void end()
    {
        if (ended)
            return;
        ended = true;
        emit done();
    }
};
} // namespace

CommandProcess::CommandProcess(const QUrl &workingDirectoryUrl)
    : executableLocation(QStringLiteral("/")), workingDirectory(localPath(workingDirectoryUrl))
{
    const QString resources = platform::resourceFolder();
    if (!resources.isEmpty())
        executableLocation = resources + QStringLiteral("/jj");
}

QString CommandProcess::configFileFor(const QString &executableLocation)
{
    return QFileInfo(executableLocation).path() + QStringLiteral("/jj-config.toml");
}

QCoro::Task<CommandResult> CommandProcess::run() const
{
    // Copies, so that the run does not depend on this value after the first await.
    const QString program = executableLocation;
    const QStringList args =
        QStringList{QStringLiteral("--config-file"), configFileFor(program)} + arguments;
    const QString directory = workingDirectory;

    auto process = std::make_unique<QProcess>();
    process->setProgram(program);
    process->setArguments(args);
    process->setWorkingDirectory(directory);
    process->setStandardInputFile(QProcess::nullDevice());
    // Writing to no terminal, jj asks `tput` for the width on every log, show and diff,
    // two processes a run; told it, it asks nothing. Its output does not depend on it,
    // and 80 is what it is told or assumes without a terminal. A width the user set stays.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!environment.contains(QStringLiteral("COLUMNS")))
        environment.insert(QStringLiteral("COLUMNS"), QStringLiteral("80"));
    process->setProcessEnvironment(environment);
    const auto output = std::make_shared<OutputFile>();
    if (output->isOpen())
        process->setStandardOutputFile(output->path());

    QByteArray standardError;
    bool standardErrorOverflow = false;
    QProcess *child = process.get();
    auto drainStandardError = [&] {
        const QByteArray chunk = child->readAllStandardError();
        if (standardErrorOverflow)
            return; // Keep draining so the child never blocks on a full pipe.
        if (standardError.size() + chunk.size() > standardErrorLimit) {
            standardErrorOverflow = true;
            standardError.clear();
        } else {
            standardError += chunk;
        }
    };
    QObject::connect(child, &QProcess::readyReadStandardError, child, drainStandardError);

    ChildWatch watch(child);
    process->start(QIODevice::ReadOnly);
    if (!watch.ended)
        co_await qCoro(&watch, &ChildWatch::done);

    if (watch.failedToStart)
        co_return CommandResult{child->errorString(), true};

    // Whatever is still buffered counts against the limit too.
    drainStandardError();
    if (standardErrorOverflow) {
        co_return CommandResult{
            QStringLiteral("The command wrote more than %1 bytes to standard error.")
                .arg(standardErrorLimit),
            true};
    }
    if (child->exitStatus() == QProcess::NormalExit && child->exitCode() == 0) {
        if (!output->isOpen())
            co_return CommandResult{QString::fromUtf8(child->readAllStandardOutput()), false};
        // Made apart from the await: GCC 12 may destroy a temporary of an awaited
        // expression twice.
        const QFuture<QString> reading = QtConcurrent::run([output] { return output->text(); });
        QString text = co_await reading;
        co_return CommandResult{std::move(text), false};
    }
    co_return CommandResult{QString::fromUtf8(standardError), true};
}

QCoro::Task<CommandResult> runCommand(QUrl workingDirectory, JujutsuCommand command)
{
    CommandProcess process(workingDirectory);
    process.arguments = command.arguments();
    co_return co_await process.run();
}

#include "CommandProcess.moc"

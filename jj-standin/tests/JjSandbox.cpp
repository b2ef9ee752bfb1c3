#include "JjSandbox.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

const char *const kLogFieldsPattern =
    "^[k-z]{8,32} \\S+@\\S+ \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d( \\S+)* [0-9a-f]{8,40}$";

namespace {

QStringList splitLines(const QByteArray &text)
{
    QString s = QString::fromUtf8(text);
    if (s.endsWith('\n'))
        s.chop(1);
    return s.isEmpty() ? QStringList() : s.split('\n');
}

RunResult runProgram(const QString &program, const QStringList &args, const QString &workdir,
                     const QProcessEnvironment &env)
{
    QProcess p;
    p.setProgram(program);
    p.setArguments(args);
    p.setWorkingDirectory(workdir);
    p.setProcessEnvironment(env);
    p.start();
    RunResult r;
    if (!p.waitForStarted(10000) || !p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        r.err = "could not run " + program.toUtf8();
        return r;
    }
    r.crashed = p.exitStatus() == QProcess::CrashExit;
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

} // namespace

QStringList RunResult::outLines() const
{
    return splitLines(out);
}
QStringList RunResult::errLines() const
{
    return splitLines(err);
}

JjSandbox::JjSandbox()
{
    QDir(dir_.path()).mkpath(QStringLiteral("home"));
    env = QProcessEnvironment();
    env.insert(QStringLiteral("PATH"),
               qEnvironmentVariable("PATH", QStringLiteral("/usr/bin:/bin")));
    env.insert(QStringLiteral("HOME"), path(QStringLiteral("home")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("home/.config")));
    env.insert(QStringLiteral("GIT_CONFIG_NOSYSTEM"), QStringLiteral("1"));
    env.insert(QStringLiteral("JJ_USER"), QStringLiteral("Test User"));
    env.insert(QStringLiteral("JJ_EMAIL"), QStringLiteral("test.user@example.com"));
    env.insert(QStringLiteral("JJ_TIMESTAMP"), QStringLiteral("2001-02-03T04:05:06+07:00"));
    env.insert(QStringLiteral("JJ_RANDOMNESS_SEED"), QStringLiteral("42"));
    env.insert(QStringLiteral("TZ"), QStringLiteral("UTC-11"));
    // git itself, for reading results back and making remotes
    env.insert(QStringLiteral("GIT_AUTHOR_NAME"), QStringLiteral("Git User"));
    env.insert(QStringLiteral("GIT_AUTHOR_EMAIL"), QStringLiteral("git.user@example.com"));
    env.insert(QStringLiteral("GIT_COMMITTER_NAME"), QStringLiteral("Git User"));
    env.insert(QStringLiteral("GIT_COMMITTER_EMAIL"), QStringLiteral("git.user@example.com"));
    // Sanitizer settings reach the tool under test, e.g. in an ASan build.
    const QProcessEnvironment outer = QProcessEnvironment::systemEnvironment();
    for (const QString &key : outer.keys())
        if (key.startsWith(QLatin1String("ASAN_")) || key.startsWith(QLatin1String("LSAN_")) ||
            key.startsWith(QLatin1String("UBSAN_")))
            env.insert(key, outer.value(key));
}

QString JjSandbox::resolve(const QString &workdir) const
{
    return QDir::isAbsolutePath(workdir) ? workdir : path(workdir);
}

RunResult JjSandbox::jj(const QStringList &args, const QString &workdir) const
{
    return jj(args, workdir, env);
}

RunResult JjSandbox::jj(const QStringList &args, const QString &workdir,
                        const QProcessEnvironment &e) const
{
    return runProgram(QStringLiteral(JJ_STANDIN_EXECUTABLE), args, resolve(workdir), e);
}

QByteArray JjSandbox::git(const QStringList &args, const QString &workdir) const
{
    RunResult r = runProgram(QStringLiteral("git"), args, resolve(workdir), env);
    if (r.exitCode != 0)
        qWarning("git %s failed: %s", qPrintable(args.join(' ')), r.err.constData());
    return r.out;
}

QString JjSandbox::initRepo(const QString &name) const
{
    RunResult r = jj({"git", "init", "--colocate", name}, root());
    if (r.exitCode != 0)
        qWarning("jj git init failed: %s", r.err.constData());
    return path(name);
}

QString JjSandbox::bareRemote(const QString &name, const QString &headBranch) const
{
    git({"init", "-q", "--bare", name}, root());
    git({"symbolic-ref", "HEAD", "refs/heads/" + headBranch}, path(name));
    return path(name);
}

void JjSandbox::write(const QString &file, const QByteArray &content) const
{
    QString full = resolve(file);
    QDir().mkpath(QFileInfo(full).absolutePath());
    QFile f(full);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qWarning("cannot write %s", qPrintable(full));
    f.write(content);
}

QByteArray JjSandbox::read(const QString &file) const
{
    QFile f(resolve(file));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString JjSandbox::changeId(const QString &repo, const QString &revision) const
{
    RunResult r = jj({"log", "--no-graph", "-r", revision}, repo);
    QStringList lines = r.outLines();
    return lines.isEmpty() ? QString() : lines.first().section(' ', 0, 0);
}

QString JjSandbox::commitId(const QString &repo, const QString &revision) const
{
    RunResult r = jj({"show", revision}, repo);
    for (const QString &line : r.outLines())
        if (line.startsWith(QLatin1String("Commit ID: ")))
            return line.mid(11);
    return {};
}

QStringList JjSandbox::descriptions(const QString &repo, const QString &revisions) const
{
    QStringList out;
    QStringList lines = jj({"log", "--no-graph", "-r", revisions}, repo).outLines();
    for (int i = 0; i < lines.size(); ++i) {
        if (lines[i].contains(QLatin1String(" root() ")))
            continue;
        if (i + 1 < lines.size())
            out << lines[++i];
    }
    return out;
}

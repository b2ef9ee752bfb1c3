#pragma once

// A scratch directory with a fixed environment in which the built jj (and git,
// to read results back) run as child processes.

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

struct RunResult {
    int exitCode = -1;
    bool crashed = false; // ended by a signal
    QByteArray out;
    QByteArray err;

    QStringList outLines() const;
    QStringList errLines() const;
};

class JjSandbox {
public:
    JjSandbox();

    QString root() const { return dir_.path(); }
    QString path(const QString &relative) const { return dir_.path() + "/" + relative; }

    // Runs jj with `args` in `workdir` (absolute, or relative to the sandbox).
    RunResult jj(const QStringList &args, const QString &workdir) const;
    RunResult jj(const QStringList &args, const QString &workdir,
                 const QProcessEnvironment &env) const;
    // Runs git; the test fails when git does.
    QByteArray git(const QStringList &args, const QString &workdir) const;

    // `jj git init --colocate name` in the sandbox; returns the repository path.
    QString initRepo(const QString &name = QStringLiteral("repo")) const;
    // A bare git repository to use as a remote; returns its path.
    QString bareRemote(const QString &name,
                       const QString &headBranch = QStringLiteral("main")) const;

    void write(const QString &file, const QByteArray &content) const;
    QByteArray read(const QString &file) const;

    // The change id of `revision` as log prints it (shortest unique prefix).
    QString changeId(const QString &repo, const QString &revision) const;
    // The full commit id of `revision`, from show.
    QString commitId(const QString &repo, const QString &revision) const;
    // Descriptions (second lines) of `log --no-graph -r revisions`, newest first.
    QStringList descriptions(const QString &repo,
                             const QString &revisions = QStringLiteral("::")) const;

    QProcessEnvironment env;

private:
    QString resolve(const QString &workdir) const;
    QTemporaryDir dir_;
};

// The layout of a log fields line: change id, e-mail, date, time, bookmarks, commit id.
extern const char *const kLogFieldsPattern;

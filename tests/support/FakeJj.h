#pragma once

#include "support/TestSupport.h"

#include <QStringList>

#include <memory>

namespace testing {

// A scripted jj whose answers are set per argument vector: its standard output, a
// failure with a standard error, or a delay before it answers. Unset commands succeed
// with no output. Every run is logged.
class FakeJj {
public:
    FakeJj();

    void respond(const QStringList &arguments, const QString &output);
    void fail(const QStringList &arguments, const QString &error);
    void delay(const QStringList &arguments, double seconds);

    QList<QStringList> calls() const;
    // The runs whose first arguments are the given ones.
    QList<QStringList> callsOf(const QStringList &prefix) const;
    void clearCalls();

private:
    QString path(const QString &kind, const QStringList &arguments) const;

    std::unique_ptr<ScriptedJj> m_jj;
};

// The two lines of `jj log --no-graph` for one change.
QString logEntry(const QString &changeId, const QString &commitId, const QString &description);

// A `jj show` output for one change.
QString showOutput(const QString &changeId, const QString &commitId, const QString &description);

} // namespace testing

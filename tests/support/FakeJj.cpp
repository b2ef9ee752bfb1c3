#include "support/FakeJj.h"

#include <QDir>
#include <QFile>

namespace testing {

namespace {
// The file name the script derives from the arguments, byte for byte.
QString key(const QStringList &arguments)
{
    QByteArray bytes = arguments.join(u'_').toUtf8();
    for (char &c : bytes)
        if (!QChar::isLetterOrNumber(uchar(c)) || uchar(c) >= 0x80)
            c = c == '-' ? '-' : '_';
    return QString::fromLatin1(bytes);
}
} // namespace

FakeJj::FakeJj()
    : m_jj(std::make_unique<ScriptedJj>(
          QStringLiteral("dir=$(dirname \"$0\")\n") +
          logRunShellLine(QStringLiteral("\"$dir/calls\"")) +
          QStringLiteral(R"sh(key=$(printf '%s_' "$@" | tr -c 'A-Za-z0-9-' '_')
key=${key%_}
[ -f "$dir/delay/$key" ] && sleep "$(cat "$dir/delay/$key")"
if [ -f "$dir/err/$key" ]; then cat "$dir/err/$key" >&2; exit 1; fi
[ -f "$dir/out/$key" ] && cat "$dir/out/$key"
exit 0)sh")))
{
    for (const char *kind : {"out", "err", "delay"})
        QDir(m_jj->folder()).mkpath(QString::fromLatin1(kind));
}

QString FakeJj::path(const QString &kind, const QStringList &arguments) const
{
    return m_jj->folder() + u'/' + kind + u'/' + key(arguments);
}

void FakeJj::respond(const QStringList &arguments, const QString &output)
{
    writeFile(path(QStringLiteral("out"), arguments), output.toUtf8());
    QFile::remove(path(QStringLiteral("err"), arguments));
}

void FakeJj::fail(const QStringList &arguments, const QString &error)
{
    writeFile(path(QStringLiteral("err"), arguments), error.toUtf8());
}

void FakeJj::delay(const QStringList &arguments, double seconds)
{
    writeFile(path(QStringLiteral("delay"), arguments), QByteArray::number(seconds));
}

QList<QStringList> FakeJj::calls() const
{
    QList<QStringList> result;
    for (const LoggedRun &run : readRunLog(m_jj->folder() + QStringLiteral("/calls")))
        result.append(run.arguments);
    return result;
}

QList<QStringList> FakeJj::callsOf(const QStringList &prefix) const
{
    QList<QStringList> result;
    for (const QStringList &call : calls())
        if (call.mid(0, prefix.size()) == prefix)
            result.append(call);
    return result;
}

void FakeJj::clearCalls()
{
    QFile::remove(m_jj->folder() + QStringLiteral("/calls"));
}

QString logEntry(const QString &changeId, const QString &commitId, const QString &description)
{
    return changeId + QStringLiteral(" test.user@example.com 2001-02-03 08:05:09 ") + commitId +
           u'\n' + description + u'\n';
}

QString showOutput(const QString &changeId, const QString &commitId, const QString &description)
{
    QString indented;
    for (const QString &line : description.split(u'\n'))
        indented += (line.isEmpty() ? QString() : QStringLiteral("    ") + line) + u'\n';
    return QStringLiteral("Commit ID: ") + commitId + QStringLiteral("\nChange ID: ") + changeId +
           QStringLiteral(
               "\nAuthor   : Test User <test.user@example.com> (2001-02-03 08:05:09)\n"
               "Committer: Test User <test.user@example.com> (2001-02-03 08:05:09)\n\n") +
           indented + QStringLiteral("\nModified regular file a.txt:\n   1    1: a\n");
}

} // namespace testing

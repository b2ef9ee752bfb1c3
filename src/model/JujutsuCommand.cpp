#include "model/JujutsuCommand.h"

#include "model/Text.h"

#include <algorithm>

namespace {
// jj reads an argument that begins with "-" as an option. A value of the user's that
// begins so (a message "- fix", a remote "-x") is joined to its option, and positional
// values follow "--", so that it reaches jj as the text it is. A bookmark name that jj
// reads with its revset syntax (in a revset, or to create or move the bookmark) is
// quoted where it is no plain symbol ("fix(ui)"). Other vectors stay as they are.
bool looksLikeOption(const QString &value)
{
    return value.startsWith(u'-');
}

QStringList option(const QString &flag, const QString &longFlag, const QString &value)
{
    if (looksLikeOption(value))
        return {longFlag + u'=' + value};
    return {flag, value};
}

QStringList positionals(QStringList head, const QStringList &values)
{
    if (std::any_of(values.cbegin(), values.cend(), looksLikeOption))
        head.append(u"--"_qs);
    return head + values;
}

QString lastPathComponent(const QUrl &url)
{
    const QStringList pieces =
        url.path(QUrl::FullyDecoded).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    return pieces.isEmpty() ? QStringLiteral("/") : pieces.last();
}
} // namespace

JujutsuCommand JujutsuCommand::withTexts(Case c, QString first, QString second)
{
    JujutsuCommand command(c);
    command.m_first = std::move(first);
    command.m_second = std::move(second);
    return command;
}

JujutsuCommand JujutsuCommand::withChanges(Case c, ChangeSet changes)
{
    JujutsuCommand command(c);
    command.m_changes = std::move(changes);
    return command;
}

JujutsuCommand JujutsuCommand::createRepo(QUrl folder)
{
    JujutsuCommand command(Case::createRepo);
    command.m_url = std::move(folder);
    return command;
}

JujutsuCommand JujutsuCommand::logBookmark(Bookmark bookmark)
{
    JujutsuCommand command(Case::logBookmark);
    command.m_bookmark = std::move(bookmark);
    return command;
}

JujutsuCommand JujutsuCommand::show(QString changeId)
{
    return withTexts(Case::show, std::move(changeId));
}

JujutsuCommand JujutsuCommand::describe(QString message, QString changeId)
{
    return withTexts(Case::describe, std::move(message), std::move(changeId));
}

JujutsuCommand JujutsuCommand::diff(QString changeId)
{
    return withTexts(Case::diff, std::move(changeId));
}

JujutsuCommand JujutsuCommand::commit(QString message)
{
    return withTexts(Case::commit, std::move(message));
}

JujutsuCommand JujutsuCommand::abandon(ChangeSet changes)
{
    return withChanges(Case::abandon, std::move(changes));
}

JujutsuCommand JujutsuCommand::merge(ChangeSet changes)
{
    return withChanges(Case::merge, std::move(changes));
}

JujutsuCommand JujutsuCommand::rebase(ChangeSet changes, ChangePtr target)
{
    JujutsuCommand command = withChanges(Case::rebase, std::move(changes));
    command.m_target = target ? std::move(target) : std::make_shared<Change>();
    return command;
}

JujutsuCommand JujutsuCommand::addBookmark(QString name)
{
    return withTexts(Case::addBookmark, std::move(name));
}

JujutsuCommand JujutsuCommand::setBookmark(QString name, QString revision)
{
    return withTexts(Case::setBookmark, std::move(name), std::move(revision));
}

JujutsuCommand JujutsuCommand::trackBookmark(QString name, QString remote)
{
    return withTexts(Case::trackBookmark, std::move(name), std::move(remote));
}

JujutsuCommand JujutsuCommand::addRemote(QString name, QString url)
{
    return withTexts(Case::addRemote, std::move(name), std::move(url));
}

JujutsuCommand JujutsuCommand::push(QString remote, QString bookmark)
{
    return withTexts(Case::push, std::move(remote), std::move(bookmark));
}

JujutsuCommand JujutsuCommand::clone(QString source, QString destinationPath)
{
    return withTexts(Case::clone, std::move(source), std::move(destinationPath));
}

QStringList JujutsuCommand::arguments() const
{
    auto ids = [this](QStringList head) {
        for (const ChangePtr &change : m_changes)
            head.append(change->revision());
        return head;
    };

    switch (m_case) {
    case Case::createRepo:
        return positionals({u"git"_qs, u"init"_qs, u"--colocate"_qs}, {lastPathComponent(m_url)});
    case Case::logBookmark:
        return {u"log"_qs, u"--no-graph"_qs, u"-r"_qs,
                u"ancestors("_qs + text::jjSymbol(m_bookmark.name) + u')'};
    case Case::show:
        return {u"show"_qs, m_first};
    case Case::describe:
        return QStringList{u"describe"_qs} + option(u"-m"_qs, u"--message"_qs, m_first) +
               QStringList{u"-r"_qs, m_second};
    case Case::diff:
        return {u"diff"_qs, u"-r"_qs, m_first, u"--git"_qs};
    case Case::commit:
        return QStringList{u"commit"_qs} + option(u"-m"_qs, u"--message"_qs, m_first);
    case Case::abandon:
        return ids({u"abandon"_qs, u"-r"_qs});
    case Case::merge:
        return ids({u"new"_qs, u"-r"_qs}) << u"-m"_qs << u"Merge"_qs;
    case Case::rebase: {
        QStringList args{u"rebase"_qs};
        for (const ChangePtr &change : m_changes)
            args << u"-r"_qs << change->revision();
        return args << u"--insert-after"_qs << m_target->revision();
    }
    case Case::addBookmark:
        return {u"bookmark"_qs, u"create"_qs, text::jjSymbol(m_first)};
    case Case::setBookmark:
        return {u"bookmark"_qs,          u"set"_qs, text::jjSymbol(m_first),
                u"--allow-backwards"_qs, u"-r"_qs,  m_second};
    case Case::trackBookmark:
        return positionals({u"bookmark"_qs, u"track"_qs}, {m_first + u'@' + m_second});
    case Case::addRemote:
        return positionals({u"git"_qs, u"remote"_qs, u"add"_qs}, {m_first, m_second});
    case Case::push:
        return QStringList{u"git"_qs, u"push"_qs} +
               option(u"--remote"_qs, u"--remote"_qs, m_first) +
               option(u"-b"_qs, u"--bookmark"_qs, m_second);
    case Case::clone:
        return positionals({u"git"_qs, u"clone"_qs}, {m_first, m_second});
    case Case::log:
        return {u"log"_qs, u"--no-graph"_qs};
    case Case::logAllChanges:
        return {u"log"_qs, u"--no-graph"_qs, u"-r"_qs, u"::"_qs};
    case Case::logWorkingCopy:
        return {u"log"_qs, u"--no-graph"_qs, u"-r"_qs, u"@"_qs};
    case Case::logWorkingCopyParent:
        return {u"log"_qs, u"--no-graph"_qs, u"-r"_qs, u"@-"_qs};
    case Case::logMyChanges:
        return {u"log"_qs, u"--no-graph"_qs, u"-r"_qs, u"mine()"_qs};
    case Case::addChange:
        return {u"new"_qs};
    case Case::listBookmarks:
        return {u"bookmark"_qs, u"list"_qs};
    case Case::listRemotes:
        return {u"git"_qs, u"remote"_qs, u"list"_qs};
    case Case::pull:
        return {u"git"_qs, u"fetch"_qs};
    }
    return {};
}

#include "model/JujutsuCommand.h"

namespace {
QString lastPathComponent(const QUrl &url) {
    const QStringList pieces =
        url.path(QUrl::FullyDecoded).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    return pieces.isEmpty() ? QStringLiteral("/") : pieces.last();
}
} // namespace

JujutsuCommand JujutsuCommand::createRepo(QUrl folder) {
    JujutsuCommand c(Case::createRepo);
    c.m_url = std::move(folder);
    return c;
}

JujutsuCommand JujutsuCommand::logBookmark(Bookmark bookmark) {
    JujutsuCommand c(Case::logBookmark);
    c.m_bookmark = std::move(bookmark);
    return c;
}

JujutsuCommand JujutsuCommand::show(QString changeId) {
    JujutsuCommand c(Case::show);
    c.m_first = std::move(changeId);
    return c;
}

JujutsuCommand JujutsuCommand::describe(QString message, QString changeId) {
    JujutsuCommand c(Case::describe);
    c.m_first = std::move(message);
    c.m_second = std::move(changeId);
    return c;
}

JujutsuCommand JujutsuCommand::diff(QString changeId) {
    JujutsuCommand c(Case::diff);
    c.m_first = std::move(changeId);
    return c;
}

JujutsuCommand JujutsuCommand::commit(QString message) {
    JujutsuCommand c(Case::commit);
    c.m_first = std::move(message);
    return c;
}

JujutsuCommand JujutsuCommand::abandon(ChangeSet changes) {
    JujutsuCommand c(Case::abandon);
    c.m_changes = std::move(changes);
    return c;
}

JujutsuCommand JujutsuCommand::merge(ChangeSet changes) {
    JujutsuCommand c(Case::merge);
    c.m_changes = std::move(changes);
    return c;
}

JujutsuCommand JujutsuCommand::rebase(ChangeSet changes, ChangePtr target) {
    JujutsuCommand c(Case::rebase);
    c.m_changes = std::move(changes);
    c.m_target = target ? std::move(target) : std::make_shared<Change>();
    return c;
}

JujutsuCommand JujutsuCommand::addBookmark(QString name) {
    JujutsuCommand c(Case::addBookmark);
    c.m_first = std::move(name);
    return c;
}

JujutsuCommand JujutsuCommand::setBookmark(QString name, QString revision) {
    JujutsuCommand c(Case::setBookmark);
    c.m_first = std::move(name);
    c.m_second = std::move(revision);
    return c;
}

JujutsuCommand JujutsuCommand::trackBookmark(QString name, QString remote) {
    JujutsuCommand c(Case::trackBookmark);
    c.m_first = std::move(name);
    c.m_second = std::move(remote);
    return c;
}

JujutsuCommand JujutsuCommand::addRemote(QString name, QString url) {
    JujutsuCommand c(Case::addRemote);
    c.m_first = std::move(name);
    c.m_second = std::move(url);
    return c;
}

JujutsuCommand JujutsuCommand::push(QString remote, QString bookmark) {
    JujutsuCommand c(Case::push);
    c.m_first = std::move(remote);
    c.m_second = std::move(bookmark);
    return c;
}

JujutsuCommand JujutsuCommand::clone(QString source, QString destinationPath) {
    JujutsuCommand c(Case::clone);
    c.m_first = std::move(source);
    c.m_second = std::move(destinationPath);
    return c;
}

QStringList JujutsuCommand::arguments() const {
    auto ids = [this](QStringList head) {
        for (const ChangePtr &change : m_changes)
            head.append(change->changeId());
        return head;
    };

    switch (m_case) {
    case Case::createRepo:
        return {u"git"_qs, u"init"_qs, u"--colocate"_qs, lastPathComponent(m_url)};
    case Case::logBookmark:
        return {u"log"_qs, u"--no-graph"_qs, u"-r"_qs, u"ancestors("_qs + m_bookmark.name + u')'};
    case Case::show:
        return {u"show"_qs, m_first};
    case Case::describe:
        return {u"describe"_qs, u"-m"_qs, m_first, u"-r"_qs, m_second};
    case Case::diff:
        return {u"diff"_qs, u"-r"_qs, m_first, u"--git"_qs};
    case Case::commit:
        return {u"commit"_qs, u"-m"_qs, m_first};
    case Case::abandon:
        return ids({u"abandon"_qs, u"-r"_qs});
    case Case::merge:
        return ids({u"new"_qs, u"-r"_qs}) << u"-m"_qs << u"Merge"_qs;
    case Case::rebase: {
        QStringList args{u"rebase"_qs};
        for (const ChangePtr &change : m_changes)
            args << u"-r"_qs << change->changeId();
        return args << u"--insert-after"_qs << m_target->changeId();
    }
    case Case::addBookmark:
        return {u"bookmark"_qs, u"create"_qs, m_first};
    case Case::setBookmark:
        return {u"bookmark"_qs, u"set"_qs, m_first, u"--allow-backwards"_qs, u"-r"_qs, m_second};
    case Case::trackBookmark:
        return {u"bookmark"_qs, u"track"_qs, m_first + u'@' + m_second};
    case Case::addRemote:
        return {u"git"_qs, u"remote"_qs, u"add"_qs, m_first, m_second};
    case Case::push:
        return {u"git"_qs, u"push"_qs, u"--remote"_qs, m_first, u"-b"_qs, m_second};
    case Case::clone:
        return {u"git"_qs, u"clone"_qs, m_first, m_second};
    case Case::log:
        return {u"log"_qs, u"--no-graph"_qs};
    case Case::logAllChanges:
        return {u"log"_qs, u"--no-graph"_qs, u"-r"_qs, u"::"_qs};
    case Case::logWorkingCopy:
        return {u"log"_qs, u"--no-graph"_qs, u"-r"_qs, u"@"_qs};
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

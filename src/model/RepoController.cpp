#include "model/RepoController.h"

#include "model/Alert.h"
#include "model/ChangeIndex.h"
#include "model/LogReader.h"
#include "model/Slices.h"

#include <QCoro/QCoroFuture>
#include <QCoro/QCoroTimer>
#include <QHash>
#include <QPointer>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <chrono>

namespace {

// Counts a list load for as long as it runs, even past the controller.
class ListLoad {
public:
    explicit ListLoad(std::shared_ptr<int> count) : m_count(std::move(count)) { ++*m_count; }
    ~ListLoad() { --*m_count; }
    ListLoad(const ListLoad &) = delete;
    ListLoad &operator=(const ListLoad &) = delete;

private:
    std::shared_ptr<int> m_count;
};

} // namespace

RepoController::RepoController(const QUrl &url, QObject *parent)
    : QObject(parent), m_repo(Repo::empty(url))
{}

RepoController::RepoController(Repo repo, QObject *parent)
    : QObject(parent), m_repo(std::move(repo))
{}

void RepoController::setRepo(Repo repo)
{
    const bool differs = !(repo == m_repo);
    m_repo = std::move(repo);
    if (differs)
        emit repoChanged();
}

Json RepoController::toJson() const
{
    Json json = Json::object();
    json["_repo"] = m_repo.toJson();
    json["_$observationRegistrar"] = coding::registrar();
    return json;
}

std::unique_ptr<RepoController> RepoController::fromJson(const Json &json)
{
    coding::requireObject(json, "RepoController");
    return std::make_unique<RepoController>(Repo::fromJson(coding::require(json, "_repo")));
}

size_t qHash(const RepoController &controller, size_t seed)
{
    return qHash(controller.repo(), seed);
}

QCoro::Task<CommandResult> RepoController::run(JujutsuCommand command) const
{
    return runCommand(m_repo.folder.url, std::move(command));
}

// Every member below that awaits keeps a guard: the window, and with it the
// controller, may close while jj runs, and nothing may touch it afterwards.

QCoro::Task<QList<ChangePtr>> RepoController::logChanges(JujutsuCommand command)
{
    QPointer<RepoController> self(this);
    CommandResult result = co_await run(std::move(command));
    if (result.isError || !self)
        co_return QList<ChangePtr>();
    // The text is read on a thread of the pool, which touches nothing else; the records
    // are made here, where they live.
    const QFuture<std::shared_ptr<LogListing>> reading =
        QtConcurrent::run([text = std::move(result.text)]() mutable {
            return std::make_shared<LogListing>(std::move(text));
        });
    const std::shared_ptr<LogListing> listing = co_await reading;
    if (!self)
        co_return QList<ChangePtr>();
    co_return co_await recordsOf(listing);
}

QCoro::Task<QList<ChangePtr>> RepoController::recordsOf(std::shared_ptr<LogListing> listing)
{
    QPointer<RepoController> self(this);
    // A listed record that holds what the listing says is taken again: a reload of a long
    // list makes few records and frees few. The list is taken as it is now; what a later
    // write puts there is not looked at.
    const QList<ChangePtr> listed = m_repo.changes;
    // Where the listed records are, by id: found once the rows stop coming in the
    // order they are listed.
    QHash<QString, qsizetype> listedRows;
    bool indexed = false;
    qsizetype next = 0;

    QList<ChangePtr> records;
    records.reserve(listing->size());
    Slices slices;
    for (qsizetype entry = 0; entry < listing->size(); ++entry) {
        if (slices.due()) {
            co_await slices.pause();
            if (!self)
                co_return QList<ChangePtr>();
        }
        const QStringView id = listing->changeId(entry);
        ChangePtr candidate;
        if (next < listed.size() && listed.at(next)->changeId() == id) {
            candidate = listed.at(next++);
        } else if (!listed.isEmpty()) {
            for (qsizetype row = listed.size() - 1; !indexed && row >= 0; --row) {
                if (slices.due()) {
                    co_await slices.pause();
                    if (!self)
                        co_return QList<ChangePtr>();
                }
                listedRows.insert(listed.at(row)->changeId(), row);
            }
            indexed = true;
            const auto row = listedRows.constFind(id.toString());
            if (row != listedRows.constEnd() && listed.at(*row)->changeId() == id) {
                next = *row + 1;
                candidate = listed.at(*row);
            }
        }
        records.append(listing->change(entry, candidate));
    }
    co_return records;
}

QCoro::Task<QList<ChangePtr>> RepoController::logBookmark(Bookmark bookmark)
{
    return logChanges(JujutsuCommand::logBookmark(std::move(bookmark)));
}

QCoro::Task<QList<ChangePtr>> RepoController::logAllChanges()
{
    return logChanges(JujutsuCommand::logAllChanges());
}

QCoro::Task<QList<ChangePtr>> RepoController::log()
{
    return logChanges(JujutsuCommand::log());
}

QCoro::Task<QList<ChangePtr>> RepoController::logMyChanges()
{
    return logChanges(JujutsuCommand::logMyChanges());
}

QCoro::Task<ChangePtr> RepoController::logWorkingCopy()
{
    const QList<ChangePtr> changes = co_await logChanges(JujutsuCommand::logWorkingCopy());
    co_return changes.isEmpty() ? nullptr : changes.first();
}

QCoro::Task<QList<Bookmark>> RepoController::listBookmarks()
{
    const CommandResult result = co_await run(JujutsuCommand::listBookmarks());
    QList<Bookmark> bookmarks;
    if (!result.isError) {
        for (Bookmark &bookmark : parseBookmarks(result.text))
            if (!bookmark.name.isEmpty())
                bookmarks.append(std::move(bookmark));
    }
    co_return bookmarks;
}

QCoro::Task<QList<Remote>> RepoController::listRemotes()
{
    const CommandResult result = co_await run(JujutsuCommand::listRemotes());
    co_return result.isError ? QList<Remote>() : parseRemotes(result.text);
}

QCoro::Task<> RepoController::loadChanges(SidebarSelection selection)
{
    if (selection.isChange()) {
        co_await loadChanges(selection.category());
        co_return;
    }
    QPointer<RepoController> self(this);
    const ListLoad counted(m_listLoads);
    QList<ChangePtr> changes = co_await logBookmark(selection.bookmarkValue());
    if (self)
        co_await showLoadedList(std::move(changes), selection);
}

QCoro::Task<> RepoController::loadChanges(ChangeCategory category)
{
    QPointer<RepoController> self(this);
    const ListLoad counted(m_listLoads);
    QList<ChangePtr> changes;
    switch (category) {
    case ChangeCategory::allChanges:
        changes = co_await logAllChanges();
        break;
    case ChangeCategory::mutableChanges:
        changes = co_await log();
        break;
    case ChangeCategory::myChanges:
        changes = co_await logMyChanges();
        break;
    }
    if (self)
        co_await showLoadedList(std::move(changes), SidebarSelection::change(category));
}

namespace {
bool sameCommit(const Change &a, const Change &b)
{
    return !a.commitHash().isEmpty() && namesSameChange(a.commitHash(), b.commitHash());
}
} // namespace

QCoro::Task<> RepoController::showLoadedList(QList<ChangePtr> changes, const SidebarSelection &list)
{
    // The selection moves to the records now listed, so that whatever is done to a
    // selected change shows in its row. A listed change whose commit is the one
    // selected keeps the selected record, which `jj show` may have read in full already;
    // one that jj rewrote meanwhile is read again if the details show it. Selected
    // changes that are not listed stay selected as they are.
    const ChangeIndex index(changes);
    QList<ChangePtr> selected;
    ChangePtr rewrittenFirst;
    for (const ChangePtr &change : m_repo.selectedChanges) {
        const qsizetype row = index.find(*change);
        if (row < 0) {
            selected.append(change);
        } else if (sameCommit(*changes.at(row), *change)) {
            changes[row] = change;
            selected.append(change);
        } else {
            if (selected.isEmpty())
                rewrittenFirst = changes.at(row);
            selected.append(changes.at(row));
        }
    }
    m_listsBookmark = list.isBookmark();
    modifyRepo([&](Repo &repo) {
        repo.changes = std::move(changes);
        repo.selectedChanges = ChangeSet::fromList(selected);
    });
    if (rewrittenFirst)
        co_await loadChangeDetails(rewrittenFirst);
}

QCoro::Task<> RepoController::insertWorkingCopy()
{
    // A new working copy is no ancestor of any bookmark, so a bookmark's list never
    // holds it; every category does.
    if (m_listsBookmark)
        co_return;
    QPointer<RepoController> self(this);
    ChangePtr workingCopy = co_await logWorkingCopy();
    // A load that ended while jj ran may list the new working copy already.
    if (self && workingCopy && ChangeIndex(m_repo.changes).find(*workingCopy) < 0)
        modifyRepo([&](Repo &repo) { repo.changes.prepend(std::move(workingCopy)); });
}

QCoro::Task<Bookmark> RepoController::addBookmark(QString name)
{
    QPointer<RepoController> self(this);
    const CommandResult result = co_await run(JujutsuCommand::addBookmark(name));
    Bookmark bookmark{name, std::make_shared<Change>()};
    if (!result.isError && self && !m_repo.selectedChanges.isEmpty())
        bookmark.latestChange = m_repo.selectedChanges.first();
    co_return bookmark;
}

QCoro::Task<> RepoController::commit(QString description)
{
    QPointer<RepoController> self(this);
    const CommandResult result = co_await run(JujutsuCommand::commit(description));
    if (!self)
        co_return;
    // A failed commit left the working copy where it was, undescribed.
    if (result.isError) {
        co_await platform::showErrorAlert(result.text, this);
        co_return;
    }
    // The committed change is the new working copy's parent. Its row, wherever the list
    // holds it, shows the message; the top row may be any other change.
    const QList<ChangePtr> committed = co_await logChanges(JujutsuCommand::logWorkingCopyParent());
    if (!self)
        co_return;
    if (!committed.isEmpty()) {
        const qsizetype row = ChangeIndex(m_repo.changes).find(*committed.first());
        if (row >= 0)
            m_repo.changes.at(row)->setDescription(description);
    }
    co_await insertWorkingCopy();
}

QCoro::Task<Remote> RepoController::addRemote(QString name, QString address)
{
    QPointer<RepoController> self(this);
    const CommandResult result = co_await run(JujutsuCommand::addRemote(name, address));
    if (result.isError) {
        co_await platform::showErrorAlert(result.text, self);
        co_return Remote{QString(), fileUrlFromPath(QString())};
    }
    co_return Remote{name, fileUrlFromPath(address)};
}

QCoro::Task<bool> RepoController::abandon(ChangeSet changes)
{
    QPointer<RepoController> self(this);
    const CommandResult result = co_await run(JujutsuCommand::abandon(std::move(changes)));
    if (result.isError)
        co_await platform::showErrorAlert(result.text, self);
    co_return !result.isError;
}

QCoro::Task<bool> RepoController::rebase(ChangeSet changes, ChangePtr target)
{
    QPointer<RepoController> self(this);
    const CommandResult result =
        co_await run(JujutsuCommand::rebase(std::move(changes), std::move(target)));
    if (result.isError)
        co_await platform::showErrorAlert(result.text, self);
    co_return !result.isError;
}

QCoro::Task<> RepoController::addChange()
{
    QPointer<RepoController> self(this);
    const CommandResult result = co_await run(JujutsuCommand::addChange());
    // A failed `jj new` made no working copy; nothing to list.
    if (!result.isError && self)
        co_await insertWorkingCopy();
}

QCoro::Task<> RepoController::merge(ChangeSet changes)
{
    QPointer<RepoController> self(this);
    const CommandResult result = co_await run(JujutsuCommand::merge(std::move(changes)));
    if (result.isError) {
        co_await platform::showErrorAlert(result.text, self);
        co_return;
    }
    if (self)
        co_await insertWorkingCopy();
}

QCoro::Task<> RepoController::pull()
{
    QPointer<RepoController> self(this);
    const CommandResult result = co_await run(JujutsuCommand::pull());
    if (result.isError)
        co_await platform::showErrorAlert(result.text, self);
}

QCoro::Task<> RepoController::trackBookmark(QString bookmark, Remote remote)
{
    QPointer<RepoController> self(this);
    const CommandResult result = co_await run(JujutsuCommand::trackBookmark(bookmark, remote.name));
    if (result.isError)
        co_await platform::showErrorAlert(result.text, self);
}

QCoro::Task<> RepoController::push(QString revision, QString bookmark, Remote remote)
{
    QPointer<RepoController> self(this);
    // A bookmark that did not move would be published where it was.
    const CommandResult moved = co_await run(JujutsuCommand::setBookmark(bookmark, revision));
    if (moved.isError) {
        co_await platform::showErrorAlert(moved.text, self);
        co_return;
    }
    if (!self)
        co_return;
    const CommandResult result = co_await run(JujutsuCommand::push(remote.name, bookmark));
    if (result.isError)
        co_await platform::showErrorAlert(result.text, self);
}

QCoro::Task<> RepoController::loadChangeLog()
{
    // A list load under way (the sidebar's, as the window opens) gives the list the
    // window shows; jj's default log beside it would be thrown away and slow it down.
    // The sidebar appears after the list, in the same turn of the event loop.
    QPointer<RepoController> self(this);
    co_await QCoro::sleepFor(std::chrono::milliseconds(0));
    if (!self || *m_listLoads > 0)
        co_return;
    const QList<ChangePtr> before = m_repo.changes;
    QList<ChangePtr> changes = co_await log();
    if (!self || m_repo.changes != before)
        co_return;
    co_await showLoadedList(std::move(changes),
                            SidebarSelection::change(ChangeCategory::mutableChanges));
}

QCoro::Task<> RepoController::loadBookmarksAndRemotes()
{
    QPointer<RepoController> self(this);
    QList<Bookmark> bookmarks = co_await listBookmarks();
    if (!self)
        co_return;
    modifyRepo([&](Repo &repo) { repo.bookmarks = std::move(bookmarks); });
    QList<Remote> remotes = co_await listRemotes();
    if (!self)
        co_return;
    modifyRepo([&](Repo &repo) { repo.remotes = std::move(remotes); });
}

QCoro::Task<> RepoController::loadChangeDetails(ChangePtr change)
{
    if (!change)
        co_return;
    QPointer<RepoController> self(this);
    co_await change->show(m_repo.folder);
    if (!self)
        co_return;
    co_await change->diff(m_repo.folder);
}

QCoro::Task<> RepoController::refreshSelectedChangeDiffs()
{
    // Rounds that outlast the tick would pile up, each with its own jj runs.
    if (m_refreshing)
        co_return;
    m_refreshing = true;
    QPointer<RepoController> self(this);
    const ChangeSet snapshot = m_repo.selectedChanges;
    for (const ChangePtr &change : snapshot) {
        // A diff that succeeds is stored through the silent setter, so an unchanged text
        // redraws nothing; a failed one (a change abandoned meanwhile) leaves what is
        // shown.
        co_await change->diff(m_repo.folder);
        if (!self)
            co_return;
    }
    m_refreshing = false;
}

void RepoController::selectFirstBookmarkAndRemote()
{
    modifyRepo([](Repo &repo) {
        repo.currentBookmark = repo.bookmarks.isEmpty()
                                   ? std::nullopt
                                   : std::optional<Bookmark>(repo.bookmarks.first());
    });
    modifyRepo([](Repo &repo) {
        repo.currentRemote =
            repo.remotes.isEmpty() ? std::nullopt : std::optional<Remote>(repo.remotes.first());
    });
}

QCoro::Task<> RepoController::addCurrentBookmark(QString name)
{
    QPointer<RepoController> self(this);
    const Bookmark bookmark = co_await addBookmark(std::move(name));
    if (!self)
        co_return;
    modifyRepo([&](Repo &repo) { repo.bookmarks.append(bookmark); });
    modifyRepo([&](Repo &repo) { repo.currentBookmark = bookmark; });
}

QCoro::Task<> RepoController::addCurrentRemote(QString name, QString address)
{
    // Paths, URLs and scp-like addresses alike are jj's to judge; blanks around a pasted
    // address are never meant.
    address = address.trimmed();
    if (address.isEmpty())
        co_return;
    QPointer<RepoController> self(this);
    const Remote remote = co_await addRemote(std::move(name), std::move(address));
    // A failed add has shown its alert and answers with an unnamed remote, which is no
    // remote of the repository.
    if (!self || remote.name.isEmpty())
        co_return;
    modifyRepo([&](Repo &repo) { repo.remotes.append(remote); });
    modifyRepo([&](Repo &repo) { repo.currentRemote = remote; });
}

QCoro::Task<std::optional<QString>> RepoController::loadFirstSelectedDescription()
{
    const ChangePtr change = m_repo.selectedChanges.first();
    if (!change)
        co_return QString();
    QPointer<RepoController> self(this);
    const CommandResult result = co_await change->loadEditableDescription(m_repo.folder);
    if (result.isError) {
        co_await platform::showErrorAlert(result.text, self);
        co_return std::nullopt;
    }
    co_return result.text;
}

QCoro::Task<> RepoController::describeFirstSelected(QString text)
{
    // The record that is described is the one that shows the new text, with the text
    // that was sent, even if the selection changed while jj ran.
    const ChangePtr change = m_repo.selectedChanges.first();
    if (!change)
        co_return;
    QPointer<RepoController> self(this);
    const CommandResult result = co_await change->describe(text, m_repo.folder);
    if (result.isError) {
        co_await platform::showErrorAlert(result.text, self);
        co_return;
    }
    change->setDescription(text);
}

QCoro::Task<> RepoController::pushCurrentBookmark()
{
    QPointer<RepoController> self(this);
    if (!m_repo.currentBookmark || !m_repo.currentRemote)
        co_return;
    co_await trackBookmark(m_repo.currentBookmark->name, *m_repo.currentRemote);
    // The choices are read again as the push is issued.
    if (!self || !m_repo.currentBookmark || !m_repo.currentRemote)
        co_return;
    // The working copy's parent as jj has it: the list may show any change below the
    // working copy, or none. A working copy with several parents names none of them,
    // and jj says so.
    co_await push(QStringLiteral("@-"), m_repo.currentBookmark->name, *m_repo.currentRemote);
}

QCoro::Task<>
RepoController::pullAndReload(std::function<std::optional<SidebarSelection>()> shownList)
{
    QPointer<RepoController> self(this);
    co_await pull();
    if (!self)
        co_return;
    // Read now: the user may have chosen another list while the fetch ran.
    if (const std::optional<SidebarSelection> shown = shownList())
        co_await loadChanges(*shown);
}

QCoro::Task<> RepoController::removeSelectedChanges(Removal removal)
{
    QPointer<RepoController> self(this);
    const ChangeSet abandoned = m_repo.selectedChanges;
    // jj abandons all or nothing: after a refusal every row still stands in jj.
    if (!co_await abandon(abandoned) || !self)
        co_return;
    const ChangeSet removed = removal == Removal::abandoned ? abandoned : m_repo.selectedChanges;
    removeListedChanges(removed);
}

QCoro::Task<> RepoController::rebaseAndMoveChanges(QList<qsizetype> sourceOffsets,
                                                   qsizetype destination)
{
    QPointer<RepoController> self(this);
    std::sort(sourceOffsets.begin(), sourceOffsets.end());
    const QList<ChangePtr> before = m_repo.changes;
    auto listed = [&before](qsizetype offset) { return offset >= 0 && offset < before.size(); };
    // Below the last row there is no change to insert after.
    if (!listed(destination))
        co_return;
    QList<ChangePtr> moved;
    for (qsizetype offset : std::as_const(sourceOffsets))
        if (listed(offset))
            moved.append(before.at(offset));
    if (moved.isEmpty())
        co_return;
    const ChangePtr target = before.at(destination);

    if (!co_await rebase(ChangeSet::fromList(moved), target) || !self)
        co_return;

    // A load may have replaced the list during the rebase.
    const ChangeIndex now(m_repo.changes);
    QList<qsizetype> sources;
    for (const ChangePtr &change : std::as_const(moved))
        if (const qsizetype row = now.find(*change); row >= 0)
            sources.append(row);
    const qsizetype to = now.find(*target);
    if (to >= 0)
        moveChanges(sources, to);
}

void RepoController::removeListedChanges(const ChangeSet &changes)
{
    // Rows are found once in the list as it stands; each removal then shifts the rows
    // below it, which the sorted list of removed rows accounts for.
    const ChangeIndex index(m_repo.changes);
    QList<qsizetype> removed;
    for (const ChangePtr &change : changes) {
        const qsizetype row = index.find(change->changeId());
        const auto place = std::lower_bound(removed.begin(), removed.end(), row);
        if (row < 0 || (place != removed.end() && *place == row))
            continue;
        const qsizetype now = row - (place - removed.begin());
        removed.insert(place, row);
        modifyRepo([now](Repo &repo) { repo.changes.removeAt(now); });
    }
}

void RepoController::moveChanges(const QList<qsizetype> &sourceOffsets, qsizetype destination)
{
    const qsizetype count = m_repo.changes.size();
    QList<qsizetype> sources;
    for (qsizetype offset : sourceOffsets)
        if (offset >= 0 && offset < count && !sources.contains(offset))
            sources.append(offset);
    std::sort(sources.begin(), sources.end());
    destination = std::clamp<qsizetype>(destination, 0, count);

    modifyRepo([&](Repo &repo) {
        QList<ChangePtr> moved;
        QList<ChangePtr> kept;
        qsizetype insertAt = 0;
        for (qsizetype i = 0; i < count; ++i) {
            if (std::binary_search(sources.cbegin(), sources.cend(), i)) {
                moved.append(repo.changes[i]);
            } else {
                if (i < destination)
                    ++insertAt;
                kept.append(repo.changes[i]);
            }
        }
        for (qsizetype i = 0; i < moved.size(); ++i)
            kept.insert(insertAt + i, moved[i]);
        repo.changes = std::move(kept);
    });
}

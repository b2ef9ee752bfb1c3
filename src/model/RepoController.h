#pragma once

#include "model/ChangeCategory.h"
#include "model/CommandProcess.h"
#include "model/JujutsuCommand.h"
#include "model/Repo.h"
#include "model/SidebarSelection.h"

#include <QCoro/QCoroTask>
#include <QObject>

class LogListing;

#include <functional>
#include <memory>
#include <optional>

// The one object behind a repository window: it holds the window's model, tells the
// views of every change to it, runs every load and operation, and is the value by which
// a window is opened, identified and restored.
class RepoController : public QObject {
    Q_OBJECT

public:
    explicit RepoController(const QUrl &url, QObject *parent = nullptr);
    explicit RepoController(Repo repo, QObject *parent = nullptr);

    Repo repo() const { return m_repo; }

    // A whole-value write: stored silently when equal to the stored value, otherwise
    // stored with one notification.
    void setRepo(Repo repo);

    // An in-place write of a part of the model: always notifies, even when nothing
    // changed.
    template<typename Edit> void modifyRepo(Edit &&edit)
    {
        edit(m_repo);
        emit repoChanged();
    }

    Json toJson() const;
    // Throws CodingError when "_repo" is missing or malformed.
    static std::unique_ptr<RepoController> fromJson(const Json &json);

    // Loads. A failed run gives the empty result and no message. A list that replaces
    // the shown one takes the selection along, by change id, to the records it lists.
    QCoro::Task<> loadChanges(SidebarSelection selection);
    QCoro::Task<> loadChanges(ChangeCategory category);
    QCoro::Task<QList<ChangePtr>> logBookmark(Bookmark bookmark);
    QCoro::Task<QList<ChangePtr>> logAllChanges();
    QCoro::Task<QList<ChangePtr>> log();
    QCoro::Task<QList<ChangePtr>> logMyChanges();
    QCoro::Task<ChangePtr> logWorkingCopy();
    QCoro::Task<QList<Bookmark>> listBookmarks();
    QCoro::Task<QList<Remote>> listRemotes();

    // The window's first load: the default log. It runs only when no list load is under
    // way, and a list that arrived while it ran (the sidebar's, say) stays, so the list
    // matches the category the sidebar shows.
    QCoro::Task<> loadChangeLog();
    // The bookmark list, then the remote list; each is written as it arrives.
    QCoro::Task<> loadBookmarksAndRemotes();
    // Reads the change's fields with `jj show`, then its diff.
    QCoro::Task<> loadChangeDetails(ChangePtr change);
    // Reads the diff of every selected change again, one after another; a failed run
    // leaves the diff that was shown. While one round runs, another does not start.
    QCoro::Task<> refreshSelectedChangeDiffs();
    // Makes the first bookmark and the first remote the current ones, or none.
    void selectFirstBookmarkAndRemote();

    // Operations. Those that report failure do so with the error alert and return once
    // it is dismissed.
    QCoro::Task<Bookmark> addBookmark(QString name);
    QCoro::Task<> commit(QString description);
    // The address reaches jj as it is given. The remote it answers with carries the file
    // URL that the remote list makes of the address; a failed add answers with an unnamed
    // remote.
    QCoro::Task<Remote> addRemote(QString name, QString address);
    // Each says whether jj did it.
    QCoro::Task<bool> abandon(ChangeSet changes);
    QCoro::Task<bool> rebase(ChangeSet changes, ChangePtr target);
    QCoro::Task<> addChange();
    QCoro::Task<> merge(ChangeSet changes);
    QCoro::Task<> pull();
    QCoro::Task<> trackBookmark(QString bookmark, Remote remote);
    // Points the bookmark at the revision, then pushes it; a failed move pushes nothing.
    QCoro::Task<> push(QString revision, QString bookmark, Remote remote);

    // Operations that the views start, each with the list updates that follow it.
    // Creates the bookmark, then lists it and makes it the current one.
    QCoro::Task<> addCurrentBookmark(QString name);
    // Adds the remote at the address as typed, less the blanks around it, then lists it
    // and makes it the current one. An address of blanks runs nothing; a failed add
    // lists nothing.
    QCoro::Task<> addCurrentRemote(QString name, QString address);
    // The first selected change's description as the user wrote it, for an editor: empty
    // for a change without one, and when nothing is selected. When jj cannot give it (the
    // change was abandoned meanwhile, say) the error alert is shown, and nothing is given.
    QCoro::Task<std::optional<QString>> loadFirstSelectedDescription();
    // Describes the first selected change; once jj has taken the text, the record shows
    // it. A refused text is reported with the error alert and written nowhere.
    QCoro::Task<> describeFirstSelected(QString text);
    // Tracks the current bookmark at the current remote, then points it at the working
    // copy's parent as jj knows it, whatever the list shows, and pushes it. Needs both
    // choices; should either be gone once the track ends, nothing is pushed.
    QCoro::Task<> pushCurrentBookmark();
    // Fetches, then reloads the list that `shownList` gives once the fetch has ended;
    // nothing is reloaded when it gives none.
    QCoro::Task<> pullAndReload(std::function<std::optional<SidebarSelection>()> shownList);

    // Which listed changes a removal takes out once jj has abandoned the selection; an
    // abandon jj refuses abandons nothing and takes nothing out. The selection is left
    // as it is.
    enum class Removal {
        // The selection the abandon was given.
        abandoned,
        // The selection as it stands then.
        selectedAfterwards,
    };
    // Abandons the selected changes, then takes changes out of the list.
    QCoro::Task<> removeSelectedChanges(Removal removal);
    // Rebases the changes at the offsets after the change at the destination, then
    // moves their rows there as the list stands by then: each change is looked up by id,
    // what is no longer listed stays out, and without its target nothing moves. Without
    // a listed target (a drop below the last row) nothing runs; a rebase jj refuses
    // moves nothing.
    QCoro::Task<> rebaseAndMoveChanges(QList<qsizetype> sourceOffsets, qsizetype destination);

    // Local list updates that follow an operation jj carried out.
    // Takes each change of the set, found by id (in full or shortened), out of the change
    // list; one write per removal.
    void removeListedChanges(const ChangeSet &changes);
    // Moves the rows at the source offsets in front of the row at the destination (the
    // list's length meaning the end), keeping their order; offsets that no longer fit
    // the list are skipped.
    void moveChanges(const QList<qsizetype> &sourceOffsets, qsizetype destination);

    friend bool operator==(const RepoController &a, const RepoController &b)
    {
        return a.m_repo == b.m_repo;
    }

signals:
    void repoChanged();

private:
    QCoro::Task<CommandResult> run(JujutsuCommand command) const;
    QCoro::Task<QList<ChangePtr>> logChanges(JujutsuCommand command);
    QCoro::Task<QList<ChangePtr>> recordsOf(std::shared_ptr<LogListing> listing);
    QCoro::Task<> insertWorkingCopy();
    QCoro::Task<> showLoadedList(QList<ChangePtr> changes, const SidebarSelection &list);

    Repo m_repo;
    // The list last loaded is a bookmark's ancestors, which no new change joins.
    bool m_listsBookmark = false;
    bool m_refreshing = false;
    // List loads under way: each writes repo.changes when its run ends.
    std::shared_ptr<int> m_listLoads = std::make_shared<int>(0);
};

size_t qHash(const RepoController &controller, size_t seed = 0);

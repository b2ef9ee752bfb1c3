#pragma once

#include "model/ChangeCategory.h"
#include "model/CommandProcess.h"
#include "model/JujutsuCommand.h"
#include "model/Repo.h"
#include "model/SidebarSelection.h"

#include <QCoro/QCoroTask>
#include <QObject>

#include <memory>

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

    // Loads. A failed run gives the empty result and no message.
    QCoro::Task<> loadChanges(SidebarSelection selection);
    QCoro::Task<> loadChanges(ChangeCategory category);
    QCoro::Task<QList<ChangePtr>> logBookmark(Bookmark bookmark);
    QCoro::Task<QList<ChangePtr>> logAllChanges();
    QCoro::Task<QList<ChangePtr>> log();
    QCoro::Task<QList<ChangePtr>> logMyChanges();
    QCoro::Task<ChangePtr> logWorkingCopy();
    QCoro::Task<QList<Bookmark>> listBookmarks();
    QCoro::Task<QList<Remote>> listRemotes();

    // Operations. Those that report failure do so with the error alert and return once
    // it is dismissed.
    QCoro::Task<Bookmark> addBookmark(QString name);
    QCoro::Task<> commit(QString description);
    QCoro::Task<Remote> addRemote(QString name, QUrl url);
    QCoro::Task<> abandon(ChangeSet changes);
    QCoro::Task<> rebase(ChangeSet changes, ChangePtr target);
    QCoro::Task<> addChange();
    QCoro::Task<> merge(ChangeSet changes);
    QCoro::Task<> pull();
    QCoro::Task<> trackBookmark(QString bookmark, Remote remote);
    QCoro::Task<> push(ChangePtr change, QString bookmark, Remote remote);

    // Local list updates that follow an operation, whatever its outcome.
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
    QCoro::Task<> insertWorkingCopy();

    Repo m_repo;
};

size_t qHash(const RepoController &controller, size_t seed = 0);

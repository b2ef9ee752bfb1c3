#include "model/LogReader.h"
#include "model/RepoController.h"
#include "support/FakeJj.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using testing::AlertRecorder;
using testing::FakeJj;

namespace {

const QString workingCopyLog = QStringLiteral(
    "newwc test.user@example.com 2001-02-03 08:05:09 1234abcd\n(empty) (no description set)\n");
const QStringList workingCopy = testing::argv({"log", "--no-graph", "-r", "@"});
const QStringList workingCopyParent = testing::argv({"log", "--no-graph", "-r", "@-"});

// A controller whose list holds the changes "top" and "base".
std::unique_ptr<RepoController> controllerIn()
{
    Repo repo = Repo::empty(QUrl::fromLocalFile(QDir::tempPath()));
    repo.changes = {
        testing::makeChange(QStringLiteral("top"), QStringLiteral("(empty) (no description set)")),
        testing::makeChange(QStringLiteral("base"), QStringLiteral("base"))};
    return std::make_unique<RepoController>(repo);
}

// A controller whose list holds changes with these ids.
std::unique_ptr<RepoController> listing(const QStringList &ids)
{
    Repo repo = Repo::empty(QUrl::fromLocalFile(QDir::tempPath()));
    repo.changes = testing::makeChanges(ids);
    return std::make_unique<RepoController>(repo);
}
} // namespace

class TestOperations : public QObject {
    Q_OBJECT

private slots:
    void commitInsertsTheNewWorkingCopyAndDescribesTheCommittedOne()
    {
        FakeJj jj;
        AlertRecorder alerts;
        jj.respond(workingCopy, workingCopyLog);
        // The committed change is the one below the top row.
        jj.respond(workingCopyParent,
                   testing::logEntry(QStringLiteral("base"), QStringLiteral("5678"),
                                     QStringLiteral("(no description set)")));
        auto controller = controllerIn();
        const QString message = QStringLiteral("Fix it\n\nwith details");
        QCoro::waitFor(controller->commit(message));
        QCOMPARE(jj.calls(),
                 (QList<QStringList>{{QStringLiteral("commit"), QStringLiteral("-m"), message},
                                     workingCopyParent,
                                     workingCopy}));
        QCOMPARE(testing::changeIds(controller->repo().changes),
                 QStringList({"newwc", "top", "base"}));
        QCOMPARE(controller->repo().changes[1]->description(),
                 QStringLiteral("(empty) (no description set)"));
        QCOMPARE(controller->repo().changes[2]->description(), message);
        QVERIFY(alerts.alerts.isEmpty());
    }

    void aNewWorkingCopyThatALoadListedIsNotListedTwice()
    {
        FakeJj jj;
        jj.respond(workingCopy, workingCopyLog);
        jj.respond(workingCopyParent,
                   testing::logEntry(QStringLiteral("base"), QStringLiteral("5678"), QString()));
        // A reload that ended while the commit ran already lists the new working copy.
        Repo repo = Repo::empty(QUrl::fromLocalFile(QDir::tempPath()));
        repo.changes = parseChanges(workingCopyLog) + testing::makeChanges({"base"});
        RepoController controller(repo);
        QCoro::waitFor(controller.commit(QStringLiteral("message")));
        QCoro::waitFor(controller.addChange());
        QCOMPARE(testing::changeIds(controller.repo().changes), QStringList({"newwc", "base"}));
        QCOMPARE(controller.repo().changes[1]->description(), QStringLiteral("message"));
    }

    void aRefusedCommitIsReportedAndANewChangeFailsQuietly()
    {
        FakeJj jj;
        AlertRecorder alerts;
        jj.fail(testing::argv({"commit", "-m", "message"}), QStringLiteral("Error: broken\n"));
        jj.fail(testing::argv({"new"}), QStringLiteral("Error: broken\n"));
        jj.respond(workingCopy, workingCopyLog);
        auto controller = controllerIn();
        QCoro::waitFor(controller->commit(QStringLiteral("message")));
        QCOMPARE(alerts.alerts.size(), 1);
        QCOMPARE(alerts.alerts[0].message, QStringLiteral("Error running command"));
        QCOMPARE(alerts.alerts[0].informative, QStringLiteral("Error: broken\n"));
        QCOMPARE(alerts.alerts[0].context, controller.get());
        QCoro::waitFor(controller->addChange());
        QCOMPARE(alerts.alerts.size(), 1);
        QCOMPARE(jj.calls().size(), 2); // No working-copy read after either failure.
        QCOMPARE(testing::changeIds(controller->repo().changes), QStringList({"top", "base"}));
        QCOMPARE(controller->repo().changes[0]->description(),
                 QStringLiteral("(empty) (no description set)"));
    }

    void aNewChangeJoinsOnlyTheListsThatHoldIt()
    {
        FakeJj jj;
        AlertRecorder alerts;
        jj.respond(workingCopy, workingCopyLog);
        const QStringList ancestors = testing::argv({"log", "--no-graph", "-r", "ancestors(main)"});
        jj.respond(ancestors, testing::logEntry(QStringLiteral("base"), QStringLiteral("5678"),
                                                QStringLiteral("base")));
        auto controller = controllerIn();
        QCoro::waitFor(controller->loadChanges(
            SidebarSelection::bookmark(Bookmark{QStringLiteral("main"), nullptr})));
        jj.clearCalls();
        // A new working copy is no ancestor of the bookmark.
        QCoro::waitFor(controller->addChange());
        QCoro::waitFor(controller->merge(ChangeSet{controller->repo().changes[0]}));
        QCOMPARE(jj.calls(),
                 (QList<QStringList>{testing::argv({"new"}),
                                     testing::argv({"new", "-r", "base", "-m", "Merge"})}));
        QCOMPARE(testing::changeIds(controller->repo().changes), QStringList({"base"}));

        QCoro::waitFor(controller->loadChanges(ChangeCategory::myChanges));
        QCoro::waitFor(controller->addChange());
        QCOMPARE(testing::changeIds(controller->repo().changes).first(), QStringLiteral("newwc"));
        QVERIFY(alerts.alerts.isEmpty());
    }

    void commitWithoutAWorkingCopyLeavesTheListAlone()
    {
        FakeJj jj;
        jj.respond(testing::argv({"log", "--no-graph", "-r", "@"}), QStringLiteral("oneword\n"));
        Repo repo = Repo::empty(QUrl::fromLocalFile(QDir::tempPath()));
        repo.changes = {testing::makeChange(QStringLiteral("only"), QStringLiteral("before"))};
        RepoController controller(repo);
        QCoro::waitFor(controller.commit(QStringLiteral("after")));
        QCOMPARE(testing::changeIds(controller.repo().changes), QStringList({"only"}));
        QCOMPARE(controller.repo().changes[0]->description(), QStringLiteral("before"));
    }

    void newChangeAndMerge()
    {
        FakeJj jj;
        AlertRecorder alerts;
        jj.respond(testing::argv({"log", "--no-graph", "-r", "@"}), workingCopyLog);
        auto controller = controllerIn();
        QCoro::waitFor(controller->addChange());
        QCOMPARE(testing::changeIds(controller->repo().changes),
                 QStringList({"newwc", "top", "base"}));

        const ChangeSet two{controller->repo().changes[1], controller->repo().changes[2]};
        jj.respond(testing::argv({"log", "--no-graph", "-r", "@"}),
                   testing::logEntry(QStringLiteral("merged"), QStringLiteral("9abc"),
                                     QStringLiteral("(empty) Merge")));
        QCoro::waitFor(controller->merge(two));
        QCOMPARE(jj.calls()[2], testing::argv({"new", "-r", "top", "base", "-m", "Merge"}));
        QCOMPARE(testing::changeIds(controller->repo().changes),
                 QStringList({"merged", "newwc", "top", "base"}));

        jj.fail(testing::argv({"new", "-r", "top", "base", "-m", "Merge"}),
                QStringLiteral("Error: Revision `x` doesn't exist\n"));
        QCoro::waitFor(controller->merge(two));
        QCOMPARE(alerts.alerts.size(), 1);
        QCOMPARE(alerts.alerts[0].message, QStringLiteral("Error running command"));
        QCOMPARE(alerts.alerts[0].informative,
                 QStringLiteral("Error: Revision `x` doesn't exist\n"));
        QCOMPARE(jj.calls().size(), 5); // The failed merge reads nothing afterwards.
        QCOMPARE(controller->repo().changes.size(), 4);
    }

    void operationsThatReportFailures_data()
    {
        QTest::addColumn<QStringList>("command");
        QTest::addColumn<int>("which");
        QTest::newRow("abandon") << testing::argv({"abandon", "-r", "top"}) << 0;
        QTest::newRow("rebase") << testing::argv({"rebase", "-r", "top", "--insert-after", "base"})
                                << 1;
        QTest::newRow("pull") << testing::argv({"git", "fetch"}) << 2;
        QTest::newRow("track") << testing::argv({"bookmark", "track", "main@origin"}) << 3;
    }

    void operationsThatReportFailures()
    {
        QFETCH(QStringList, command);
        QFETCH(int, which);
        FakeJj jj;
        AlertRecorder alerts;
        auto controller = controllerIn();
        const QList<ChangePtr> before = controller->repo().changes;
        auto run = [&]() -> QCoro::Task<> {
            const ChangeSet set{before[0]};
            switch (which) {
            case 0:
                co_await controller->abandon(set);
                break;
            case 1:
                co_await controller->rebase(set, before[1]);
                break;
            case 2:
                co_await controller->pull();
                break;
            default:
                co_await controller->trackBookmark(QStringLiteral("main"),
                                                   Remote{QStringLiteral("origin"), {}});
            }
        };
        QCoro::waitFor(run());
        QVERIFY(alerts.alerts.isEmpty());
        jj.fail(command, QStringLiteral("Error: nope\n"));
        QCoro::waitFor(run());
        QCOMPARE(alerts.alerts.size(), 1);
        QCOMPARE(alerts.alerts[0].informative, QStringLiteral("Error: nope\n"));
        // The alert is modal to the controller's window.
        QCOMPARE(alerts.alerts[0].context, controller.get());
        QCOMPARE(jj.calls().size(), 2);
        QCOMPARE(controller->repo().changes, before); // Callers update the list themselves.
    }

    void emptySetsStillRunTheirCommand()
    {
        FakeJj jj;
        AlertRecorder alerts;
        jj.fail(testing::argv({"abandon", "-r"}), QStringLiteral("error: a value is required\n"));
        auto controller = controllerIn();
        QCoro::waitFor(controller->abandon({}));
        QCOMPARE(jj.calls(), QList<QStringList>{testing::argv({"abandon", "-r"})});
        QCOMPARE(alerts.alerts.size(), 1);
    }

    void removalTakesOutTheSetItWasAskedFor_data()
    {
        QTest::addColumn<bool>("abandonedSet");
        QTest::addColumn<QStringList>("left");
        QTest::newRow("the set the abandon was given") << true << QStringList{"cccc"};
        QTest::newRow("the selection once it ended") << false << QStringList{"aaaa"};
    }

    void removalTakesOutTheSetItWasAskedFor()
    {
        QFETCH(bool, abandonedSet);
        QFETCH(QStringList, left);
        FakeJj jj;
        AlertRecorder alerts;
        auto controller = listing({"aaaa", "bbbb", "cccc", "dddd"});
        controller->modifyRepo([](Repo &repo) {
            repo.selectedChanges = ChangeSet{repo.changes[0], repo.changes[1]};
        });
        // The sidebar switched to a list without bbbb.
        controller->modifyRepo([](Repo &repo) {
            repo.changes = testing::makeChanges({"aaaa", "cccc"});
        });
        jj.delay({"abandon", "-r", "aaaa", "bbbb"}, 0.2);
        auto removal = controller->removeSelectedChanges(
            abandonedSet ? RepoController::Removal::abandoned
                         : RepoController::Removal::selectedAfterwards);
        // The user selects another row while jj runs.
        controller->modifyRepo(
            [](Repo &repo) { repo.selectedChanges = ChangeSet{repo.changes[1]}; });
        QSignalSpy writes(controller.get(), &RepoController::repoChanged);
        QCoro::waitFor(std::move(removal));

        QCOMPARE(jj.calls(), QList<QStringList>({{"abandon", "-r", "aaaa", "bbbb"}}));
        QVERIFY(alerts.alerts.isEmpty());
        QCOMPARE(testing::changeIds(controller->repo().changes), left);
        QCOMPARE(writes.count(), 1);
        QCOMPARE(testing::changeIds(controller->repo().selectedChanges), QStringList({"cccc"}));
    }

    void aRefusedAbandonTakesNothingOut()
    {
        FakeJj jj;
        AlertRecorder alerts;
        auto controller = listing({"aaaa", "bbbb", "cccc"});
        controller->modifyRepo([](Repo &repo) {
            repo.selectedChanges = ChangeSet{repo.changes[0], repo.changes[2]};
        });
        jj.fail({"abandon", "-r", "aaaa", "cccc"},
                QStringLiteral("Error: Commit 1234abcd is immutable\n"));
        for (const auto removal :
             {RepoController::Removal::abandoned, RepoController::Removal::selectedAfterwards}) {
            QSignalSpy writes(controller.get(), &RepoController::repoChanged);
            QCoro::waitFor(controller->removeSelectedChanges(removal));
            QCOMPARE(writes.count(), 0);
        }
        QCOMPARE(alerts.alerts.size(), 2);
        QCOMPARE(alerts.alerts[0].informative,
                 QStringLiteral("Error: Commit 1234abcd is immutable\n"));
        QCOMPARE(testing::changeIds(controller->repo().changes),
                 QStringList({"aaaa", "bbbb", "cccc"}));
    }

    void movingRebasesThenMovesTheRows()
    {
        FakeJj jj;
        AlertRecorder alerts;
        auto controller = listing({"aaaa", "bbbb", "cccc", "dddd"});
        QCoro::waitFor(controller->rebaseAndMoveChanges({2, 3}, 1));
        QCOMPARE(jj.calls(), QList<QStringList>({{"rebase", "-r", "cccc", "-r", "dddd",
                                                  "--insert-after", "bbbb"}}));
        QCOMPARE(testing::changeIds(controller->repo().changes),
                 QStringList({"aaaa", "cccc", "dddd", "bbbb"}));
        QVERIFY(alerts.alerts.isEmpty());

        // Below the last row there is no change to insert after: nothing runs or moves.
        QCoro::waitFor(controller->rebaseAndMoveChanges({0}, 4));
        QCOMPARE(jj.calls().size(), 1);
        QCOMPARE(testing::changeIds(controller->repo().changes),
                 QStringList({"aaaa", "cccc", "dddd", "bbbb"}));

        // A rebase jj refuses moves nothing.
        jj.fail({"rebase", "-r", "aaaa", "--insert-after", "bbbb"},
                QStringLiteral("Error: Commit 1234abcd is immutable\n"));
        QCoro::waitFor(controller->rebaseAndMoveChanges({0}, 3));
        QCOMPARE(alerts.alerts.size(), 1);
        QCOMPARE(alerts.alerts.first().informative,
                 QStringLiteral("Error: Commit 1234abcd is immutable\n"));
        QCOMPARE(testing::changeIds(controller->repo().changes),
                 QStringList({"aaaa", "cccc", "dddd", "bbbb"}));
    }

    void aListReplacedDuringTheRebaseIsMovedByIdOrLeftAlone()
    {
        FakeJj jj;
        auto controller = listing({"aaaa", "bbbb", "cccc", "dddd"});
        jj.delay({"rebase", "-r", "dddd", "--insert-after", "aaaa"}, 0.3);
        auto move = controller->rebaseAndMoveChanges({3}, 0);
        controller->modifyRepo([](Repo &repo) {
            repo.changes = testing::makeChanges({"aaaa", "dddd"});
        });
        QCoro::waitFor(std::move(move));
        QCOMPARE(testing::changeIds(controller->repo().changes), QStringList({"dddd", "aaaa"}));

        // The target is gone: nothing moves.
        jj.delay({"rebase", "-r", "aaaa", "--insert-after", "dddd"}, 0.3);
        auto second = controller->rebaseAndMoveChanges({1}, 0);
        controller->modifyRepo([](Repo &repo) { repo.changes = testing::makeChanges({"aaaa"}); });
        QCoro::waitFor(std::move(second));
        QCOMPARE(testing::changeIds(controller->repo().changes), QStringList({"aaaa"}));

        // Offsets beyond the list name no change: nothing runs or moves.
        jj.clearCalls();
        QCoro::waitFor(controller->rebaseAndMoveChanges({7}, 0));
        QVERIFY(jj.calls().isEmpty());
        QCOMPARE(testing::changeIds(controller->repo().changes), QStringList({"aaaa"}));
    }

    void aRefreshRoundRunsAloneAndAFailureKeepsTheDiff()
    {
        FakeJj jj;
        auto controller = listing({"aaaa", "bbbb"});
        controller->modifyRepo(
            [](Repo &repo) { repo.selectedChanges = ChangeSet::fromList(repo.changes); });
        const QStringList diffA = testing::argv({"diff", "-r", "aaaa", "--git"});
        const QStringList diffB = testing::argv({"diff", "-r", "bbbb", "--git"});
        jj.respond(diffB, QStringLiteral("+b\n"));
        jj.delay(diffA, 0.3);
        auto round = controller->refreshSelectedChangeDiffs();
        // Ticks that find the round still running start nothing.
        QCoro::waitFor(controller->refreshSelectedChangeDiffs());
        QCoro::waitFor(controller->refreshSelectedChangeDiffs());
        QCoro::waitFor(std::move(round));
        QCOMPARE(jj.calls(), (QList<QStringList>{diffA, diffB}));

        // Abandoned meanwhile: the failure text is no diff.
        jj.fail(diffB, QStringLiteral("Error: Revision `bbbb` doesn't exist\n"));
        QCoro::waitFor(controller->refreshSelectedChangeDiffs());
        QCOMPARE(jj.calls().size(), 4);
        QCOMPARE(controller->repo().changes[1]->changedText(), QStringLiteral("+b\n"));
    }

    void aReloadCarriesTheSelectionToTheListedRecords()
    {
        FakeJj jj;
        AlertRecorder alerts;
        const QStringList all = testing::argv({"log", "--no-graph", "-r", "::"});
        jj.respond(all, testing::logEntry(QStringLiteral("aaaa"), QStringLiteral("1111"),
                                          QStringLiteral("a")) +
                            testing::logEntry(QStringLiteral("bbbb"), QStringLiteral("2222"),
                                              QStringLiteral("b")));
        auto controller = controllerIn();
        QCoro::waitFor(controller->loadChanges(ChangeCategory::allChanges));
        const QList<ChangePtr> before = controller->repo().changes;
        const ChangePtr unlisted = testing::makeChange(QStringLiteral("gone"));
        controller->modifyRepo([&](Repo &repo) {
            repo.selectedChanges = ChangeSet{before[1], before[0], unlisted};
        });

        // bbbb was reworded meanwhile; aaaa is the commit it was.
        jj.respond(all, testing::logEntry(QStringLiteral("nnnn"), QStringLiteral("4444"),
                                          QStringLiteral("new")) +
                            testing::logEntry(QStringLiteral("aaaa"), QStringLiteral("1111"),
                                              QStringLiteral("a")) +
                            testing::logEntry(QStringLiteral("bbbb"), QStringLiteral("3333"),
                                              QStringLiteral("reworded")));
        jj.respond({"show", "bbbb"},
                   testing::showOutput(QStringLiteral("bbbbbbbb"), QStringLiteral("33330000"),
                                       QStringLiteral("reworded\n\nin full")));
        jj.clearCalls();
        QCoro::waitFor(controller->loadChanges(ChangeCategory::allChanges));
        const QList<ChangePtr> after = controller->repo().changes;
        QCOMPARE(after.size(), 3);
        // The record of an unchanged commit stays listed, with all it holds.
        QCOMPARE(after[1], before[0]);
        // The selection holds the records the list shows; the first, rewritten, is read
        // again for the details.
        QCOMPARE(controller->repo().selectedChanges.toList(),
                 (QList<ChangePtr>{after[2], before[0], unlisted}));
        QCOMPARE(jj.calls(),
                 (QList<QStringList>{all, {"show", "bbbb"}, {"diff", "-r", "bbbbbbbb", "--git"}}));
        QCOMPARE(after[2]->description(), QStringLiteral("reworded\n\nin full"));
        QVERIFY(alerts.alerts.isEmpty());
    }

    void addRemote()
    {
        FakeJj jj;
        AlertRecorder alerts;
        auto controller = controllerIn();
        // The address as it was given, never a URL's encoding of it; the remote carries
        // what the remote list makes of it.
        for (const QString &address :
             {QStringLiteral("/srv/my repo.git"), QStringLiteral("git@host:team/repo.git"),
              QStringLiteral("https://example.com/r%20x.git")}) {
            const Remote added =
                QCoro::waitFor(controller->addRemote(QStringLiteral("origin"), address));
            QCOMPARE(jj.calls().last(),
                     (QStringList{QStringLiteral("git"), QStringLiteral("remote"),
                                  QStringLiteral("add"), QStringLiteral("origin"), address}));
            QCOMPARE(added.name, QStringLiteral("origin"));
            QCOMPARE(added.url, parseRemotes(QStringLiteral("origin ") + address).first().url);
        }

        jj.fail(testing::argv({"git", "remote", "add", "origin", "/srv/r.git"}),
                QStringLiteral("Error: Git remote named 'origin' already exists\n"));
        const Remote failed = QCoro::waitFor(
            controller->addRemote(QStringLiteral("origin"), QStringLiteral("/srv/r.git")));
        QCOMPARE(alerts.alerts.size(), 1);
        QVERIFY(failed.name.isEmpty());
        QCOMPARE(failed.url, fileUrlFromPath(QString()));
    }

    void addBookmark()
    {
        FakeJj jj;
        AlertRecorder alerts;
        auto controller = controllerIn();
        const Bookmark none = QCoro::waitFor(controller->addBookmark(QStringLiteral("b1")));
        QCOMPARE(none.name, QStringLiteral("b1"));
        QVERIFY(none.latestChange->changeId().isEmpty());

        const ChangePtr selected = controller->repo().changes[1];
        controller->modifyRepo([&](Repo &repo) { repo.selectedChanges = ChangeSet{selected}; });
        const Bookmark pointed = QCoro::waitFor(controller->addBookmark(QStringLiteral("b2")));
        QCOMPARE(pointed.latestChange, selected);
        QCOMPARE(jj.calls().last(), testing::argv({"bookmark", "create", "b2"}));

        jj.fail(testing::argv({"bookmark", "create", "b2"}), QStringLiteral("Error: exists\n"));
        const Bookmark failed = QCoro::waitFor(controller->addBookmark(QStringLiteral("b2")));
        QCOMPARE(failed.name, QStringLiteral("b2"));
        QVERIFY(failed.latestChange->changeId().isEmpty());
        QVERIFY(alerts.alerts.isEmpty());
    }

    void pushMovesTheBookmarkThenPushesIt()
    {
        FakeJj jj;
        AlertRecorder alerts;
        const QStringList set =
            testing::argv({"bookmark", "set", "main", "--allow-backwards", "-r", "@-"});
        const QStringList push = testing::argv({"git", "push", "--remote", "origin", "-b", "main"});
        auto controller = controllerIn();
        const Remote origin{QStringLiteral("origin"), QUrl::fromLocalFile(QStringLiteral("/r"))};
        QCoro::waitFor(controller->push(QStringLiteral("@-"), QStringLiteral("main"), origin));
        QCOMPARE(jj.calls(), (QList<QStringList>{set, push}));
        QVERIFY(alerts.alerts.isEmpty());

        // A bookmark that did not move is not published where it was.
        jj.fail(set, QStringLiteral("Error: set failed\n"));
        QCoro::waitFor(controller->push(QStringLiteral("@-"), QStringLiteral("main"), origin));
        QCOMPARE(jj.calls(), (QList<QStringList>{set, push, set}));
        QCOMPARE(alerts.alerts.size(), 1);
        QCOMPARE(alerts.alerts[0].informative, QStringLiteral("Error: set failed\n"));

        jj.respond(set, QString());
        jj.fail(push, QStringLiteral("Error: rejected\n"));
        QCoro::waitFor(controller->push(QStringLiteral("@-"), QStringLiteral("main"), origin));
        QCOMPARE(alerts.alerts.size(), 2);
        QCOMPARE(alerts.alerts[1].informative, QStringLiteral("Error: rejected\n"));
    }

    void loads()
    {
        FakeJj jj;
        AlertRecorder alerts;
        jj.respond(testing::argv({"log", "--no-graph", "-r", "mine()"}),
                   testing::sample(QStringLiteral("log-nograph-01.txt")));
        jj.respond(testing::argv({"bookmark", "list"}),
                   testing::sample(QStringLiteral("bookmark-list-02.txt")));
        jj.respond(testing::argv({"git", "remote", "list"}), QStringLiteral("origin /srv/r.git\n"));
        auto controller = controllerIn();
        QSignalSpy spy(controller.get(), &RepoController::repoChanged);

        QCoro::waitFor(
            controller->loadChanges(SidebarSelection::change(ChangeCategory::myChanges)));
        QCOMPARE(jj.calls().last(), testing::argv({"log", "--no-graph", "-r", "mine()"}));
        QCOMPARE(testing::changeIds(controller->repo().changes), QStringList({"rlvkpnrz"}));
        QCOMPARE(spy.count(), 1);

        const QList<Bookmark> bookmarks = QCoro::waitFor(controller->listBookmarks());
        QVERIFY(!bookmarks.isEmpty());
        for (const Bookmark &b : bookmarks)
            QVERIFY(!b.name.isEmpty());
        const QList<Remote> remotes = QCoro::waitFor(controller->listRemotes());
        QCOMPARE(remotes.size(), 1); // The final empty line is no remote.
        QCOMPARE(spy.count(), 1);    // The list loads write nothing.

        // A failed log empties the list, for a category and for a bookmark.
        jj.fail(testing::argv({"log", "--no-graph", "-r", "ancestors(nope)"}),
                QStringLiteral("Error: Revision `nope` doesn't exist\n"));
        QCoro::waitFor(controller->loadChanges(SidebarSelection::bookmark(
            Bookmark{QStringLiteral("nope"), testing::makeChange(QString())})));
        QCOMPARE(jj.calls().last(), testing::argv({"log", "--no-graph", "-r", "ancestors(nope)"}));
        QVERIFY(controller->repo().changes.isEmpty());
        QCOMPARE(QCoro::waitFor(controller->logWorkingCopy()), nullptr);
        jj.fail(testing::argv({"bookmark", "list"}), QStringLiteral("Error\n"));
        QVERIFY(QCoro::waitFor(controller->listBookmarks()).isEmpty());
        QVERIFY(alerts.alerts.isEmpty());
    }

    void categoriesRunTheirLogs()
    {
        FakeJj jj;
        auto controller = controllerIn();
        QCoro::waitFor(controller->loadChanges(ChangeCategory::allChanges));
        QCoro::waitFor(controller->loadChanges(ChangeCategory::mutableChanges));
        QCOMPARE(jj.calls(), (QList<QStringList>{testing::argv({"log", "--no-graph", "-r", "::"}),
                                                 testing::argv({"log", "--no-graph"})}));
    }

    void createRepo()
    {
        FakeJj jj;
        AlertRecorder alerts;
        QTemporaryDir dir;
        const QUrl url = QUrl::fromLocalFile(dir.filePath(QStringLiteral("demo")));
        const std::optional<Repo> made = QCoro::waitFor(Repo::create(url));
        QVERIFY(made);
        QCOMPARE(made->folder.url, url);
        QVERIFY(made->changes.isEmpty() && !made->currentBookmark && !made->currentRemote);
        QCOMPARE(jj.calls(),
                 QList<QStringList>{testing::argv({"git", "init", "--colocate", "demo"})});

        jj.fail(testing::argv({"git", "init", "--colocate", "demo"}),
                QStringLiteral("Error: exists\n"));
        QVERIFY(!QCoro::waitFor(Repo::create(url)));
        QCOMPARE(alerts.alerts.size(), 1);
    }

    void createRepoRunsInTheParentFolder()
    {
        testing::ScriptedJj jj(QStringLiteral("pwd; printf '%s\\n' \"$@\" >&2; exit 1"));
        AlertRecorder alerts;
        QTemporaryDir dir;
        QCoro::waitFor(Repo::create(QUrl::fromLocalFile(dir.path() + QStringLiteral("/new repo"))));
        QCOMPARE(alerts.alerts.size(), 1);
        QCOMPARE(alerts.alerts[0].informative, QStringLiteral("git\ninit\n--colocate\nnew repo\n"));
    }

    void changeCommands()
    {
        FakeJj jj;
        const Folder folder(QUrl::fromLocalFile(QDir::tempPath()));
        auto c = testing::makeChange(QStringLiteral("abc"), QStringLiteral("old"));
        QSignalSpy diffSpy(c.get(), &Change::changedTextChanged);

        jj.respond(testing::argv({"diff", "-r", "abc", "--git"}),
                   QStringLiteral("diff --git a/f b/f\n"));
        QCOMPARE(QCoro::waitFor(c->diff(folder)), QStringLiteral("diff --git a/f b/f\n"));
        QCOMPARE(c->changedText(), QStringLiteral("diff --git a/f b/f\n"));
        QCoro::waitFor(c->diff(folder));
        QCOMPARE(diffSpy.count(), 1); // The same text again tells nobody.

        jj.fail(testing::argv({"diff", "-r", "abc", "--git"}), QStringLiteral("Error: gone\n"));
        QCOMPARE(QCoro::waitFor(c->diff(folder)), QStringLiteral("Error: gone\n"));
        QCOMPARE(c->changedText(), QStringLiteral("diff --git a/f b/f\n"));

        jj.respond(testing::argv({"show", "abc"}), testing::sample(QStringLiteral("show-02.txt")));
        QCoro::waitFor(c->show(folder));
        QCOMPARE(c->changeId(), QStringLiteral("wqnwkozpkustnxypnnntnykwrqrkrpvv"));
        QVERIFY(c->description().startsWith(QStringLiteral("Revert \"e\"")));
        jj.fail(testing::argv({"show", "wqnwkozpkustnxypnnntnykwrqrkrpvv"}),
                QStringLiteral("Error\n"));
        QCoro::waitFor(c->show(folder));
        QCOMPARE(c->changeId(), QStringLiteral("wqnwkozpkustnxypnnntnykwrqrkrpvv"));

        const QStringList describe{QStringLiteral("describe"), QStringLiteral("-m"),
                                   QStringLiteral("new\ntext"), QStringLiteral("-r"),
                                   QStringLiteral("wqnwkozpkustnxypnnntnykwrqrkrpvv")};
        QVERIFY(!QCoro::waitFor(c->describe(QStringLiteral("new\ntext"), folder)).isError);
        QCOMPARE(jj.calls().last(), describe);
        jj.fail(describe, QStringLiteral("Error: Commit 1234 is immutable\n"));
        const CommandResult refused =
            QCoro::waitFor(c->describe(QStringLiteral("new\ntext"), folder));
        QVERIFY(refused.isError);
        QCOMPARE(refused.text, QStringLiteral("Error: Commit 1234 is immutable\n"));
        QCOMPARE(c->description().left(6), QStringLiteral("Revert")); // describe writes nothing
    }

    void controllerClosedWhileJjRuns()
    {
        testing::ScriptedJj jj(QStringLiteral("sleep 0.2; printf 'a b c d e\\nx\\n'"));
        auto controller =
            std::make_unique<RepoController>(QUrl::fromLocalFile(QStringLiteral("/")));
        auto load = controller->loadChanges(ChangeCategory::allChanges);
        auto commit = controller->commit(QStringLiteral("m"));
        controller.reset();
        QCoro::waitFor(std::move(load));
        QCoro::waitFor(std::move(commit));
    }
};

QTEST_GUILESS_MAIN(TestOperations)
#include "tst_operations.moc"

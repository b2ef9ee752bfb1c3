// The window on a real repository of the bundled jj.
#include "PaintCounter.h"

#include "model/ChangeListModel.h"
#include "model/RepoController.h"
#include "support/TestSupport.h"
#include "widgets/DiffView.h"
#include "widgets/LabelView.h"
#include "window/ChangeList.h"
#include "window/ChangeView.h"
#include "window/RepoView.h"
#include "window/Sidebar.h"

#include <QDir>
#include <QLabel>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>

using testing::PaintCounter;

namespace {

QStringList descriptions(const QList<ChangePtr> &changes)
{
    QStringList result;
    for (const ChangePtr &change : changes)
        result.append(change->description());
    return result;
}

// A repository of three described changes below the working copy, with a bookmark on
// the middle one, opened in a window.
struct Fixture {
    Fixture()
    {
        const QString workspace = jj.workspace();
        testing::runJj(workspace, {"git", "init", "--colocate", "repo"});
        repo = workspace + QStringLiteral("/repo");
        for (const QString &name : {QStringLiteral("first"), QStringLiteral("second"),
                                    QStringLiteral("third 100% *bold* <b>&</b>")}) {
            testing::writeFile(repo + u'/' + name.left(5) + QStringLiteral(".txt"),
                               name.toUtf8() + '\n');
            testing::runJj(repo, {"commit", "-m", name});
        }
        const QString second = changeIdOf(QStringLiteral("second"));
        testing::runJj(repo, {"bookmark", "create", "main"});
        testing::runJj(repo, {"bookmark", "set", "main", "--allow-backwards", "-r", second});

        controller = std::make_unique<RepoController>(QUrl::fromLocalFile(repo));
        view = std::make_unique<RepoView>(controller.get());
        view->show();
        if (!QTest::qWaitForWindowExposed(view.get()))
            qFatal("the window did not show");
    }

    QString changeIdOf(const QString &description) const
    {
        const QStringList lines = testing::runJj(repo, {"log", "--no-graph"}).split(u'\n');
        for (qsizetype i = 1; i < lines.size(); ++i)
            if (lines[i] == description)
                return lines[i - 1].section(u' ', 0, 0);
        return {};
    }

    // Waits for the loads that opening starts.
    void waitForOpen()
    {
        QTRY_COMPARE(jj.commands().count({"git", "remote", "list"}), 1);
        QTRY_COMPARE(descriptions(controller->repo().changes).size(), 5);
        QTest::qWait(100);
        jj.clear();
    }

    int rowOf(const QString &description) const
    {
        return int(descriptions(view->changeList()->changeModel()->changes()).indexOf(description));
    }

    void select(const QStringList &rows)
    {
        QItemSelection selection;
        for (const QString &description : rows) {
            const QModelIndex index = view->changeList()->model()->index(rowOf(description), 0);
            selection.select(index, index);
        }
        view->changeList()->selectionModel()->select(selection,
                                                     QItemSelectionModel::ClearAndSelect);
    }

    testing::RecordingJj jj;
    testing::AlertRecorder alerts;
    QString repo;
    std::unique_ptr<RepoController> controller;
    std::unique_ptr<RepoView> view;
};

} // namespace

class TestRepoWindow : public QObject {
    Q_OBJECT

private slots:
    void opensOnAllChanges()
    {
        Fixture f;
        f.waitForOpen();
        QCOMPARE(descriptions(f.controller->repo().changes),
                 QStringList({"(empty) (no description set)", "third 100% *bold* <b>&</b>",
                              "second", "first", ""}));
        QCOMPARE(f.controller->repo().bookmarks.first().name, QStringLiteral("main"));
        QCOMPARE(f.view->changeList()->model()->rowCount(), 5);
    }

    void selectingARowFillsTheDetails()
    {
        Fixture f;
        f.waitForOpen();
        f.select({QStringLiteral("third 100% *bold* <b>&</b>")});
        ChangeView *detail = f.view->changeView();
        QTRY_VERIFY(detail->diffView()->text().startsWith(
            QStringLiteral("diff --git a/third.txt b/third.txt")));
        QCOMPARE(f.jj.commands().size(), 2);
        QCOMPARE(f.jj.commands().at(0).first(), QStringLiteral("show"));
        QCOMPARE(f.jj.commands().at(1).mid(0, 2), QStringList({"diff", "-r"}));
        QCOMPARE(detail->changeIdView()->value().size(), 32);
        QCOMPARE(detail->commitHashView()->value().size(), 40);
        QCOMPARE(detail->authorView()->value(), QStringLiteral("Test User"));
        QVERIFY(!detail->timestampView()->value().isEmpty());
        QCOMPARE(detail->descriptionLabel()->text(), QStringLiteral("third 100% *bold* <b>&</b>"));
        QCOMPARE(detail->descriptionLabel()->textFormat(), Qt::PlainText);
    }

    void selectingSeveralWritesTheSetAndLoadsOne()
    {
        Fixture f;
        f.waitForOpen();
        f.select({QStringLiteral("second"), QStringLiteral("first")});
        QCOMPARE(descriptions(f.controller->repo().selectedChanges.toList()),
                 QStringList({"second", "first"}));
        QTRY_COMPARE(f.jj.commands().size(), 2);
        QTest::qWait(200);
        QCOMPARE(f.jj.commands().size(), 2);
        QCOMPARE(f.view->changeView()->change(), f.controller->repo().selectedChanges.first());
    }

    void removingTwoSelectedChangesAbandonsBoth()
    {
        Fixture f;
        f.waitForOpen();
        f.select({QStringLiteral("second"), QStringLiteral("first")});
        QTRY_COMPARE(f.jj.commands().size(), 2);
        f.jj.clear();
        QCoro::waitFor(
            f.controller->removeSelectedChanges(RepoController::Removal::selectedAfterwards));
        QCOMPARE(f.jj.commands().size(), 1);
        QCOMPARE(f.jj.commands().first().mid(0, 2), QStringList({"abandon", "-r"}));
        QCOMPARE(f.jj.commands().first().size(), 4);
        QCOMPARE(descriptions(f.controller->repo().changes),
                 QStringList({"(empty) (no description set)", "third 100% *bold* <b>&</b>", ""}));
        QVERIFY(f.alerts.alerts.isEmpty());
        // jj agrees.
        const QString log = testing::runJj(f.repo, {"log", "--no-graph"});
        QVERIFY(!log.contains(QStringLiteral("\nfirst\n")));
        QVERIFY(!log.contains(QStringLiteral("\nsecond\n")));
    }

    void aShownChangeStaysSelectedAndRemovableAcrossReloads()
    {
        Fixture f;
        f.waitForOpen();
        f.select({QStringLiteral("second")});
        QTRY_COMPARE(f.jj.commands().size(), 2);
        // `jj show` gave the record its full id; the reloaded list has the log's short ids.
        QCOMPARE(f.controller->repo().selectedChanges.first()->changeId().size(), 32);
        Sidebar *sidebar = f.view->sidebar();
        sidebar->setSelection(SidebarSelection::bookmark(f.controller->repo().bookmarks.first()));
        QTRY_COMPARE(descriptions(f.controller->repo().changes).size(), 3);
        sidebar->setSelection(SidebarSelection::change(ChangeCategory::allChanges));
        QTRY_COMPARE(descriptions(f.controller->repo().changes).size(), 5);
        QTRY_COMPARE(f.view->changeList()->selectionModel()->selectedRows().size(), 1);
        QCOMPARE(f.view->changeList()->selectionModel()->selectedRows().first().row(),
                 f.rowOf(QStringLiteral("second")));

        QCoro::waitFor(
            f.controller->removeSelectedChanges(RepoController::Removal::selectedAfterwards));
        QCOMPARE(descriptions(f.controller->repo().changes),
                 QStringList(
                     {"(empty) (no description set)", "third 100% *bold* <b>&</b>", "first", ""}));
    }

    void draggingARowRebasesAndMovesIt()
    {
        Fixture f;
        f.waitForOpen();
        ChangeListModel *model = f.view->changeList()->changeModel();
        const int first = f.rowOf(QStringLiteral("first"));
        const int third = f.rowOf(QStringLiteral("third 100% *bold* <b>&</b>"));
        std::unique_ptr<QMimeData> dragged(model->mimeData({model->index(first)}));
        // Dropped above the third change: inserted after it.
        QVERIFY(model->dropMimeData(dragged.get(), Qt::MoveAction, third, 0, QModelIndex()));
        QTRY_COMPARE(descriptions(f.controller->repo().changes),
                     QStringList({"(empty) (no description set)", "first",
                                  "third 100% *bold* <b>&</b>", "second", ""}));
        QCOMPARE(f.jj.commands().size(), 1);
        QCOMPARE(f.jj.commands().first().first(), QStringLiteral("rebase"));
        QVERIFY(f.alerts.alerts.isEmpty());
        const QStringList log = testing::runJj(f.repo, {"log", "--no-graph"}).split(u'\n');
        QVERIFY(log.indexOf(QStringLiteral("first")) <
                log.indexOf(QStringLiteral("third 100% *bold* <b>&</b>")));
    }

    void aBookmarkListsItsAncestors()
    {
        Fixture f;
        f.waitForOpen();
        Sidebar *sidebar = f.view->sidebar();
        QTreeWidgetItem *main = sidebar->bookmarksSection()->child(0);
        QCOMPARE(main->text(0), QStringLiteral("main"));
        QTest::mouseClick(sidebar->viewport(), Qt::LeftButton, {},
                          sidebar->visualItemRect(main).center());
        QTRY_COMPARE(descriptions(f.controller->repo().changes),
                     QStringList({"second", "first", ""}));
        QCOMPARE(f.jj.commands(),
                 QList<QStringList>({{"log", "--no-graph", "-r", "ancestors(main)"}}));
    }

    void theRefreshRedrawsOnlyWhatChanged()
    {
        Fixture f;
        f.waitForOpen();
        f.select({QStringLiteral("(empty) (no description set)")});
        DiffView *diff = f.view->changeView()->diffView();
        QTRY_COMPARE(f.jj.commands().size(), 2);
        const ChangePtr workingCopy = f.controller->repo().selectedChanges.first();
        QSignalSpy notifications(workingCopy.get(), &Change::changedTextChanged);
        PaintCounter paints(diff);
        QTest::qWait(50);
        const int before = paints.count;

        QCoro::waitFor(f.controller->refreshSelectedChangeDiffs());
        QTest::qWait(50);
        QCOMPARE(notifications.count(), 0);
        QCOMPARE(paints.count, before);

        testing::writeFile(f.repo + QStringLiteral("/fourth.txt"), "a new line\n");
        QCoro::waitFor(f.controller->refreshSelectedChangeDiffs());
        QCOMPARE(notifications.count(), 1);
        QVERIFY(diff->text().contains(QStringLiteral("+a new line")));
        QTRY_VERIFY(paints.count > before);
    }

    void aFailedDiffLeavesTheShownDiff()
    {
        Fixture f;
        f.waitForOpen();
        f.select({QStringLiteral("second")});
        DiffView *diff = f.view->changeView()->diffView();
        QTRY_VERIFY(diff->text().startsWith(QStringLiteral("diff --git a/secon.txt")));
        const QString shown = diff->text();
        // Abandoned behind the window's back: the next refresh fails.
        const ChangePtr second = f.controller->repo().selectedChanges.first();
        testing::runJj(f.repo, {"abandon", "-r", second->changeId()});
        f.jj.clear();
        QCoro::waitFor(f.controller->refreshSelectedChangeDiffs());
        QCOMPARE(f.jj.commands().size(), 1);
        QCOMPARE(diff->text(), shown);
        QCOMPARE(second->changedText(), shown);
        QVERIFY(f.alerts.alerts.isEmpty());
    }

    void removingAnImmutableChangeLeavesItListed()
    {
        Fixture f;
        f.waitForOpen();
        // The root, which jj never abandons, and a change it would abandon with it.
        f.select({QStringLiteral("first"), QString()});
        QTRY_COMPARE(f.jj.commands().size(), 2);
        f.jj.clear();
        f.view->changeList()->removeChangeAction()->trigger();
        QTRY_COMPARE(f.alerts.alerts.size(), 1);
        QVERIFY(f.alerts.alerts[0].informative.contains(QStringLiteral("immutable")));
        QCOMPARE(f.alerts.alerts[0].context, f.controller.get());
        QTRY_VERIFY(f.view->changeList()->removeChangeAction()->isEnabled());
        QCOMPARE(descriptions(f.controller->repo().changes),
                 QStringList({"(empty) (no description set)", "third 100% *bold* <b>&</b>",
                              "second", "first", ""}));
        QVERIFY(
            testing::runJj(f.repo, {"log", "--no-graph"}).contains(QStringLiteral("\nfirst\n")));
    }

    void aDropWithoutATargetOrARefusedRebaseMovesNothing()
    {
        Fixture f;
        f.waitForOpen();
        ChangeListModel *model = f.view->changeList()->changeModel();
        const QStringList before = descriptions(f.controller->repo().changes);
        std::unique_ptr<QMimeData> first(
            model->mimeData({model->index(f.rowOf(QStringLiteral("first")))}));
        // Below the last row there is no change to insert after.
        model->dropMimeData(first.get(), Qt::MoveAction, -1, 0, QModelIndex());
        model->dropMimeData(first.get(), Qt::MoveAction, model->rowCount(), 0, QModelIndex());
        // jj never moves the root.
        std::unique_ptr<QMimeData> root(model->mimeData({model->index(f.rowOf(QString()))}));
        model->dropMimeData(root.get(), Qt::MoveAction, 0, 0, QModelIndex());
        QTRY_COMPARE(f.alerts.alerts.size(), 1);
        QVERIFY(f.alerts.alerts[0].informative.contains(QStringLiteral("immutable")));
        QTest::qWait(100);
        QCOMPARE(f.jj.commands().size(), 1);
        QCOMPARE(f.jj.commands().first().first(), QStringLiteral("rebase"));
        QCOMPARE(descriptions(f.controller->repo().changes), before);
    }
};

QTEST_MAIN(TestRepoWindow)
#include "tst_repowindow.moc"

#include "support/FakeJj.h"

#include "model/RepoController.h"
#include "window/Sidebar.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using testing::FakeJj;
using testing::logEntry;

namespace {

const QStringList allChangesLog = {"log", "--no-graph", "-r", "::"};
const QStringList bookmarkList = {"bookmark", "list"};
const QStringList remoteList = {"git", "remote", "list"};

QStringList rowTitles(const QTreeWidgetItem *section)
{
    QStringList titles;
    for (int i = 0; i < section->childCount(); ++i)
        titles.append(section->child(i)->text(0));
    return titles;
}

struct Fixture {
    Fixture() : controller(QUrl::fromLocalFile(folder.path())), sidebar(&controller)
    {
        jj.respond(allChangesLog,
                   logEntry(QStringLiteral("aaaa"), QStringLiteral("1111"), QStringLiteral("all")));
    }

    void show()
    {
        sidebar.show();
        QTRY_COMPARE(jj.callsOf(remoteList).size(), 1);
        QTRY_COMPARE(controller.repo().changes.size(), 1);
        jj.clearCalls();
    }

    QTreeWidgetItem *row(QTreeWidgetItem *section, int index) const
    {
        return section->child(index);
    }
    void click(QTreeWidgetItem *item)
    {
        QTest::mouseClick(sidebar.viewport(), Qt::LeftButton, {},
                          sidebar.visualItemRect(item).center());
    }

    QTemporaryDir folder;
    FakeJj jj;
    RepoController controller;
    Sidebar sidebar;
};

} // namespace

class TestSidebar : public QObject {
    Q_OBJECT

private slots:
    void listsCategoriesThenBookmarks()
    {
        Fixture f;
        QCOMPARE(f.sidebar.topLevelItemCount(), 2);
        QCOMPARE(f.sidebar.changesSection()->text(0), QStringLiteral("Changes"));
        QCOMPARE(f.sidebar.bookmarksSection()->text(0), QStringLiteral("Bookmarks"));
        QCOMPARE(rowTitles(f.sidebar.changesSection()),
                 QStringList({"All Changes", "Mutable Changes", "My Changes"}));
        QCOMPARE(rowTitles(f.sidebar.bookmarksSection()), QStringList());
        QVERIFY(!(f.sidebar.changesSection()->flags() & Qt::ItemIsSelectable));

        f.controller.modifyRepo([](Repo &repo) {
            repo.bookmarks = {Bookmark{QStringLiteral("main <b>&</b>")},
                              Bookmark{QStringLiteral("dev%s")}};
        });
        QCOMPARE(rowTitles(f.sidebar.bookmarksSection()), QStringList({"main <b>&</b>", "dev%s"}));
    }

    void appearingSelectsAllChangesAndLoadsBookmarksThenRemotes()
    {
        Fixture f;
        f.jj.respond(bookmarkList, QStringLiteral("main: zsuskuln 67c2f714 base\n"));
        f.jj.respond(remoteList, QStringLiteral("origin http://example.com/repo\n"));
        f.jj.delay(bookmarkList, 0.3);
        QSignalSpy appeared(&f.sidebar, &Sidebar::appeared);
        f.sidebar.show();
        QCOMPARE(appeared.count(), 1);
        QCOMPARE(f.sidebar.selection(),
                 std::optional(SidebarSelection::change(ChangeCategory::allChanges)));
        QVERIFY(f.sidebar.changesSection()->child(0)->isSelected());

        QTRY_COMPARE(testing::changeIds(f.controller.repo().changes), QStringList({"aaaa"}));
        // The remote list waits for the bookmark list.
        QVERIFY(f.jj.callsOf(remoteList).isEmpty());
        QTRY_COMPARE(f.controller.repo().remotes.value(0).name, QStringLiteral("origin"));
        QCOMPARE(f.controller.repo().bookmarks.size(), 1);
        QCOMPARE(rowTitles(f.sidebar.bookmarksSection()), QStringList({"main"}));
        const QList<QStringList> calls = f.jj.calls();
        QCOMPARE(calls.indexOf(bookmarkList) < calls.indexOf(remoteList), true);
        QCOMPARE(f.jj.callsOf(allChangesLog).size(), 1);
        // The lists do not pick a current bookmark or remote.
        QVERIFY(!f.controller.repo().currentBookmark);
        QVERIFY(!f.controller.repo().currentRemote);
    }

    void failedListsLeaveThemEmpty()
    {
        Fixture f;
        f.controller.modifyRepo(
            [](Repo &repo) { repo.bookmarks = {Bookmark{QStringLiteral("old")}}; });
        f.jj.fail(bookmarkList, QStringLiteral("Error"));
        f.jj.fail(remoteList, QStringLiteral("Error"));
        f.sidebar.show();
        QTRY_COMPARE(f.jj.callsOf(remoteList).size(), 1);
        QTRY_VERIFY(f.controller.repo().bookmarks.isEmpty());
        QCOMPARE(f.sidebar.bookmarksSection()->childCount(), 0);
    }

    void eachRealSelectionChangeReloads()
    {
        Fixture f;
        f.jj.respond(bookmarkList, QStringLiteral("main: zsuskuln 67c2f714 base\n"));
        f.jj.respond(
            {"log", "--no-graph", "-r", "ancestors(main)"},
            logEntry(QStringLiteral("mmmm"), QStringLiteral("2222"), QStringLiteral("base")) +
                logEntry(QStringLiteral("rrrr"), QStringLiteral("0000"), QString()));
        f.jj.respond(
            {"log", "--no-graph", "-r", "mine()"},
            logEntry(QStringLiteral("myyy"), QStringLiteral("3333"), QStringLiteral("mine")));
        f.show();

        f.click(f.row(f.sidebar.bookmarksSection(), 0));
        QVERIFY(f.sidebar.selection()->isBookmark());
        QTRY_COMPARE(testing::changeIds(f.controller.repo().changes),
                     QStringList({"mmmm", "rrrr"}));

        // The same row again: nothing.
        f.click(f.row(f.sidebar.bookmarksSection(), 0));
        f.click(f.row(f.sidebar.changesSection(), 2));
        QTRY_COMPARE(testing::changeIds(f.controller.repo().changes), QStringList({"myyy"}));
        f.click(f.row(f.sidebar.changesSection(), 1));
        QTRY_COMPARE(f.jj.calls().size(), 3);
        QCOMPARE(f.jj.calls(), QList<QStringList>({{"log", "--no-graph", "-r", "ancestors(main)"},
                                                   {"log", "--no-graph", "-r", "mine()"},
                                                   {"log", "--no-graph"}}));
    }

    void aSectionTitleIsNoSelection()
    {
        Fixture f;
        f.jj.respond(bookmarkList, QStringLiteral("main: zsuskuln 67c2f714 base\n"));
        f.jj.respond(
            {"log", "--no-graph", "-r", "ancestors(main)"},
            logEntry(QStringLiteral("mmmm"), QStringLiteral("2222"), QStringLiteral("base")));
        f.show();
        QTreeWidgetItem *mine = f.row(f.sidebar.changesSection(), 2);
        f.click(mine);
        QTRY_COMPARE(f.jj.calls().size(), 1);
        f.jj.clearCalls();

        for (QTreeWidgetItem *title : {f.sidebar.bookmarksSection(), f.sidebar.changesSection()}) {
            f.click(title);
            QVERIFY(mine->isSelected());
            QCOMPARE(f.sidebar.selection(),
                     std::optional(SidebarSelection::change(ChangeCategory::myChanges)));
        }
        QTest::qWait(100);
        QVERIFY(f.jj.calls().isEmpty());

        // The arrow keys pass over a title, to the row beyond it.
        f.sidebar.setCurrentItem(mine);
        QTest::keyClick(&f.sidebar, Qt::Key_Down);
        QVERIFY(f.row(f.sidebar.bookmarksSection(), 0)->isSelected());
        QTRY_COMPARE(f.jj.calls().value(0),
                     QStringList({"log", "--no-graph", "-r", "ancestors(main)"}));
        QTest::keyClick(&f.sidebar, Qt::Key_Up);
        QVERIFY(mine->isSelected());
        QTRY_COMPARE(f.jj.calls().value(1), QStringList({"log", "--no-graph", "-r", "mine()"}));
        QTest::keyClick(&f.sidebar, Qt::Key_Home);
        QVERIFY(f.row(f.sidebar.changesSection(), 0)->isSelected());
        QTRY_COMPARE(f.jj.calls().value(2), allChangesLog);
    }

    void aBookmarkThatKeepsItsNameStaysSelected()
    {
        Fixture f;
        f.jj.respond(bookmarkList, QStringLiteral("main: zsuskuln 67c2f714 base\n"));
        f.show();
        f.click(f.row(f.sidebar.bookmarksSection(), 0));
        QTRY_COMPARE(f.jj.calls().size(), 1);

        // Reloaded with its change moved and another bookmark added before it.
        f.jj.respond(bookmarkList,
                     QStringLiteral("dev: kkmpptxz 12345678 dev\nmain: yqosqzyt 87654321 moved\n"));
        QCoro::waitFor(f.controller.loadBookmarksAndRemotes());
        QCOMPARE(rowTitles(f.sidebar.bookmarksSection()), QStringList({"dev", "main"}));
        QVERIFY(f.row(f.sidebar.bookmarksSection(), 1)->isSelected());
        QCOMPARE(f.sidebar.selection()->bookmarkValue().name, QStringLiteral("main"));
        QCOMPARE(f.jj.callsOf({"log"}).size(), 1);
    }

    void settingTheSelectionSelectsTheRow()
    {
        Fixture f;
        f.show();
        f.sidebar.setSelection(SidebarSelection::change(ChangeCategory::mutableChanges));
        QVERIFY(f.row(f.sidebar.changesSection(), 1)->isSelected());
        QTRY_COMPARE(f.jj.calls(), QList<QStringList>({{"log", "--no-graph"}}));
        f.sidebar.setSelection(SidebarSelection::change(ChangeCategory::mutableChanges));
        QTest::qWait(100);
        QCOMPARE(f.jj.calls().size(), 1);
    }
};

QTEST_MAIN(TestSidebar)
#include "tst_sidebar.moc"

#include "PaintCounter.h"
#include "support/FakeJj.h"

#include "dialogs/SheetPresenter.h"
#include "model/RepoController.h"
#include "widgets/AsyncButton.h"
#include "widgets/DiffView.h"
#include "widgets/LabelView.h"
#include "window/ChangeList.h"
#include "window/ChangeView.h"
#include "window/FocusedValues.h"
#include "window/RepoView.h"
#include "window/Sidebar.h"

#include <QAbstractButton>
#include <QSignalSpy>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

using testing::FakeJj;
using testing::logEntry;
using testing::PaintCounter;

namespace {

const QStringList allChangesLog = {"log", "--no-graph", "-r", "::"};
const QStringList defaultLog = {"log", "--no-graph"};

QStringList diffOf(const QString &id)
{
    return {"diff", "-r", id, "--git"};
}

struct Fixture {
    explicit Fixture(Repo repo = Repo()) : controller(prepared(std::move(repo), folder.path()))
    {
        jj.respond(
            allChangesLog,
            logEntry(QStringLiteral("aaaa"), QStringLiteral("1111"), QStringLiteral("newest")) +
                logEntry(QStringLiteral("bbbb"), QStringLiteral("2222"), QStringLiteral("older")) +
                logEntry(QStringLiteral("zzzz"), QStringLiteral("0000"), QString()));
        jj.respond(defaultLog, logEntry(QStringLiteral("aaaa"), QStringLiteral("1111"),
                                        QStringLiteral("newest")));
    }

    static Repo prepared(Repo repo, const QString &path)
    {
        repo.folder = Folder(QUrl::fromLocalFile(path));
        return repo;
    }

    // Opens the window and waits for the loads that opening starts.
    void open()
    {
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTRY_COMPARE(jj.callsOf({"git", "remote", "list"}).size(), 1);
        QTRY_COMPARE(jj.callsOf(allChangesLog).size(), 1);
        QTRY_COMPARE(controller.repo().changes.size(), 3);
    }

    void select(const QList<int> &rows)
    {
        QItemSelection selection;
        for (int row : rows)
            selection.select(view.changeList()->model()->index(row, 0),
                             view.changeList()->model()->index(row, 0));
        view.changeList()->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    }

    QTemporaryDir folder;
    FakeJj jj;
    testing::AlertRecorder alerts;
    RepoController controller;
    RepoView view{&controller};
};

} // namespace

class TestRepoView : public QObject {
    Q_OBJECT

private slots:
    void laysOutThreeColumnsAndTheToolbar()
    {
        Fixture f;
        QCOMPARE(f.view.centralWidget(), f.view.splitter());
        QCOMPARE(f.view.splitter()->count(), 3);
        QCOMPARE(f.view.splitter()->widget(0), f.view.sidebar());
        QCOMPARE(f.view.splitter()->widget(1), f.view.changeList());
        QCOMPARE(f.view.splitter()->widget(2), f.view.changeView());

        const QList<QToolButton *> buttons = f.view.toolbarButtons();
        QCOMPARE(buttons.size(), 4);
        const QStringList titles = {"Add Change", "Commit", "Push", "Pull"};
        const QStringList accessible = {"Add Change", "Commit Change", "Push Changes",
                                        "Pull Changes"};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(buttons[i]->text(), titles[i]);
            QCOMPARE(buttons[i]->accessibleName(), accessible[i]);
            QCOMPARE(buttons[i]->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
            QVERIFY2(!buttons[i]->icon().pixmap(24).isNull(), qPrintable(titles[i]));
        }
        QCOMPARE(f.view.findChildren<QToolBar *>().size(), 1);
    }

    void commitAndPushPresentTheirSheets()
    {
        Fixture f;
        f.view.toolbarButtons().at(1)->click();
        QCOMPARE(f.view.sheetPresenter()->sheet(), std::optional(Sheet::addChange));
        f.view.toolbarButtons().at(2)->click();
        QCOMPARE(f.view.sheetPresenter()->sheet(), std::optional(Sheet::push));
        f.view.sheetPresenter()->dialog()->reject();
        QTRY_VERIFY(!f.view.sheetPresenter()->sheet());
    }

    void addChangeAndPullRunWhileTheirButtonsWait()
    {
        Fixture f;
        f.open();
        f.jj.clearCalls();
        f.jj.respond({"log", "--no-graph", "-r", "@"},
                     logEntry(QStringLiteral("nnnn"), QStringLiteral("9999"), QString()));
        f.jj.delay({"new"}, 0.3);
        QAbstractButton *add = f.view.addChangeButton()->button();
        add->click();
        QVERIFY(!add->isEnabled());
        QTRY_VERIFY(add->isEnabled());
        QCOMPARE(testing::changeIds(f.controller.repo().changes).first(), QStringLiteral("nnnn"));

        f.jj.fail({"git", "fetch"}, QStringLiteral("Error: no remote"));
        f.jj.clearCalls();
        f.view.pullButton()->button()->click();
        QTRY_COMPARE(f.alerts.alerts.size(), 1);
        QCOMPARE(f.alerts.alerts.first().informative, QStringLiteral("Error: no remote"));
        // The toolbar's pull does not reload the list.
        QCOMPARE(f.jj.calls(), QList<QStringList>({{"git", "fetch"}}));
    }

    void theWindowListsAllChangesWithOneLoad()
    {
        // The sidebar's All Changes load is the one whose list stays: jj's default log
        // is not run beside it.
        {
            Fixture f;
            f.jj.delay(allChangesLog, 0.3);
            f.view.show();
            QTRY_COMPARE(testing::changeIds(f.controller.repo().changes),
                         QStringList({"aaaa", "bbbb", "zzzz"}));
            QTest::qWait(300);
            QCOMPARE(f.jj.callsOf(defaultLog), QList<QStringList>{allChangesLog});
            QCOMPARE(f.view.sidebar()->selection(),
                     std::optional(SidebarSelection::change(ChangeCategory::allChanges)));
        }
        // Without the sidebar the window loads jj's default log itself.
        Fixture f;
        f.view.sidebar()->hide();
        f.view.show();
        QTRY_COMPARE(testing::changeIds(f.controller.repo().changes), QStringList({"aaaa"}));
        QCOMPARE(f.jj.callsOf(defaultLog), QList<QStringList>{defaultLog});
    }

    void openingPicksTheFirstBookmarkAndRemoteAsTheyStand()
    {
        {
            Fixture fresh;
            fresh.jj.respond({"bookmark", "list"},
                             QStringLiteral("main: zsuskuln 67c2f714 base\n"));
            fresh.open();
            QTRY_VERIFY(!fresh.controller.repo().bookmarks.isEmpty());
            QVERIFY(!fresh.controller.repo().currentBookmark);
            QVERIFY(!fresh.controller.repo().currentRemote);
        }
        Repo restored;
        restored.bookmarks = {Bookmark{QStringLiteral("dev")}, Bookmark{QStringLiteral("main")}};
        restored.remotes = {
            Remote{QStringLiteral("origin"), QUrl::fromLocalFile(QStringLiteral("/srv/r"))}};
        Fixture f(restored);
        QSignalSpy repoChanges(&f.controller, &RepoController::repoChanged);
        f.view.show();
        QCOMPARE(f.controller.repo().currentBookmark->name, QStringLiteral("dev"));
        QCOMPARE(f.controller.repo().currentRemote->name, QStringLiteral("origin"));
        QVERIFY(repoChanges.count() >= 2);
    }

    void detailShowsTheFirstSelectedChange()
    {
        Fixture f;
        f.open();
        QVERIFY(f.view.changeView()->change()->changeId().isEmpty());
        f.select({1, 0});
        QCOMPARE(f.view.selection().size(), 2);
        QCOMPARE(f.view.changeView()->change(), f.view.selection().first());
        QCOMPARE(f.view.changeView()->changeIdView()->value(),
                 f.view.selection().first()->changeId());
        f.select({});
        QVERIFY(f.view.changeView()->change()->changeId().isEmpty());
        QVERIFY(f.view.changeView()->change()->changedText().isEmpty());
    }

    void refreshReadsEverySelectedDiffOneAfterAnother()
    {
        Fixture f;
        f.open();
        QCOMPARE(f.view.refreshTimer()->interval(), 5000);
        QVERIFY(f.view.refreshTimer()->isActive());

        // Nothing selected: no command.
        f.jj.clearCalls();
        QCoro::waitFor(f.controller.refreshSelectedChangeDiffs());
        QVERIFY(f.jj.calls().isEmpty());

        f.jj.respond(diffOf(QStringLiteral("aaaa")), QStringLiteral("diff a\n"));
        f.jj.respond(diffOf(QStringLiteral("bbbb")), QStringLiteral("diff b\n"));
        f.select({0, 1});
        QTRY_COMPARE(f.view.changeView()->diffView()->text(), QStringLiteral("diff a\n"));
        f.jj.clearCalls();
        f.jj.delay(diffOf(QStringLiteral("aaaa")), 0.5);
        auto refresh = f.controller.refreshSelectedChangeDiffs();
        // The second diff waits for the first.
        QTRY_COMPARE(f.jj.calls().size(), 1);
        QCOMPARE(f.jj.calls(), QList<QStringList>({diffOf(QStringLiteral("aaaa"))}));
        QCoro::waitFor(std::move(refresh));
        QCOMPARE(f.jj.calls(), QList<QStringList>({diffOf(QStringLiteral("aaaa")),
                                                   diffOf(QStringLiteral("bbbb"))}));
        QCOMPARE(f.controller.repo().changes.at(1)->changedText(), QStringLiteral("diff b\n"));
    }

    void anUnchangedOrFailedDiffRedrawsNothing()
    {
        Fixture f;
        f.open();
        f.jj.respond(diffOf(QStringLiteral("aaaa")), QStringLiteral("+same\n"));
        f.select({0});
        DiffView *diff = f.view.changeView()->diffView();
        QTRY_COMPARE(diff->text(), QStringLiteral("+same\n"));
        PaintCounter paints(diff);
        QSignalSpy notifications(f.view.selection().first().get(), &Change::changedTextChanged);
        QTest::qWait(50);
        const int before = paints.count;

        QCoro::waitFor(f.controller.refreshSelectedChangeDiffs());
        QTest::qWait(50);
        QCOMPARE(notifications.count(), 0);
        QCOMPARE(paints.count, before);

        f.jj.fail(diffOf(QStringLiteral("aaaa")), QStringLiteral("Error: No such revision"));
        QCoro::waitFor(f.controller.refreshSelectedChangeDiffs());
        QCOMPARE(diff->text(), QStringLiteral("+same\n"));
        QCOMPARE(notifications.count(), 0);
        QVERIFY(f.alerts.alerts.isEmpty());
    }

    void theTimerTicksIntoARefresh()
    {
        Fixture f;
        f.open();
        f.select({0});
        QTRY_COMPARE(f.jj.callsOf({"diff"}).size(), 1);
        f.view.refreshTimer()->setInterval(20);
        QTRY_VERIFY(f.jj.callsOf({"diff"}).size() >= 3);
        f.view.changeList()->hide();
        QVERIFY(!f.view.refreshTimer()->isActive());
    }

    void closingWhileJjRunsLeavesNothingBehind()
    {
        auto f = std::make_unique<Fixture>();
        f->open();
        for (const QStringList &slow :
             {QStringList{"show", "aaaa"}, QStringList{"bookmark", "list"},
              diffOf(QStringLiteral("bbbb")), QStringList{"log", "--no-graph", "-r", "mine()"},
              QStringList{"abandon", "-r", "aaaa"}})
            f->jj.delay(slow, 0.3);
        f->select({0});
        QCoro::Task<> refresh = f->controller.refreshSelectedChangeDiffs();
        f->view.sidebar()->setSelection(SidebarSelection::change(ChangeCategory::myChanges));
        QCoro::Task<> load = f->controller.loadBookmarksAndRemotes();
        QCoro::Task<> removal =
            f->controller.removeSelectedChanges(RepoController::Removal::selectedAfterwards);
        const ChangePtr selected = f->view.selection().first();
        auto *controller = new RepoController(f->controller.repo());
        {
            RepoView other(controller);
            controller->setParent(&other);
            other.show();
            QCoro::Task<> otherRefresh = controller->refreshSelectedChangeDiffs();
        }
        f.reset();
        QTest::qWait(600);
        QVERIFY(selected);
    }

    void publishesItsValuesWhileActive()
    {
        Fixture f;
        auto &values = platform::FocusedValues::instance();
        f.open();
        f.view.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f.view));

        const auto controller = values.repoController();
        QVERIFY(controller);
        QCOMPARE(controller->get(), &f.controller);

        const auto sheet = values.sheetToShow();
        QVERIFY(sheet);
        QCOMPARE(sheet->get(), Sheet::addChange);
        sheet->set(Sheet::addBookmark);
        QCOMPARE(f.view.sheetPresenter()->sheet(), std::optional(Sheet::addBookmark));
        f.view.sheetPresenter()->setSheet(std::nullopt);

        const auto selection = values.sidebarSelection();
        QVERIFY(selection);
        QCOMPARE(selection->get(), SidebarSelection::change(ChangeCategory::allChanges));
        f.jj.clearCalls();
        selection->set(SidebarSelection::change(ChangeCategory::myChanges));
        QCOMPARE(f.view.sidebar()->selection(),
                 std::optional(SidebarSelection::change(ChangeCategory::myChanges)));
        QTRY_COMPARE(f.jj.calls(), QList<QStringList>({{"log", "--no-graph", "-r", "mine()"}}));

        // A second window takes over while it is the active one.
        RepoController otherController(QUrl::fromLocalFile(f.folder.path()));
        RepoView other(&otherController);
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QCOMPARE(values.repoController()->get(), &otherController);
        other.close();
        f.view.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f.view));
        QCOMPARE(values.repoController()->get(), &f.controller);

        f.view.close();
        QTRY_VERIFY(!values.repoController());
    }
};

QTEST_MAIN(TestRepoView)
#include "tst_repoview.moc"

#include "AppTestSupport.h"

#include "app/ChangeMenuCommands.h"
#include "app/HelpCommands.h"
#include "app/MenuBarWindow.h"
#include "app/OstrelApp.h"
#include "app/WindowGroup.h"
#include "app/WindowRestoration.h"
#include "dialogs/CloneView.h"
#include "dialogs/EditDescriptionView.h"
#include "dialogs/Panels.h"
#include "dialogs/SheetPresenter.h"
#include "model/RepoController.h"
#include "widgets/AsyncButton.h"
#include "window/RepoView.h"
#include "window/Sidebar.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

using namespace testing;

namespace {

// Answers the logs (the working copy with a change "fresh", every other log with a
// change "listed"), holds the commands that start with `gated` until the gate opens,
// and fails those that start with `failing`.
QString answers(const QString &gated = QString(), const QString &failing = QString())
{
    QString script = QStringLiteral("case \"$*\" in\n"
                                    "  'log --no-graph -r @') printf 'fresh test.user@example.com "
                                    "2001-02-03 04:05:06 f00d\\n(no description set)\\n' ;;\n"
                                    "  'log --no-graph'*) printf 'listed test.user@example.com "
                                    "2001-02-03 04:05:06 beef\\n%s\\n' \"$*\" ;;\n"
                                    "esac\n");
    if (!gated.isEmpty())
        script += QStringLiteral("case \"$*\" in '%1'*) holdUntilOpen ;; esac\n").arg(gated);
    if (!failing.isEmpty())
        script += QStringLiteral("case \"$*\" in '%1'*) echo \"failed: $*\" >&2; exit 1 ;; esac\n")
                      .arg(failing);
    return script;
}

ChangePtr change(const QString &id)
{
    return makeChange(id, QStringLiteral("change ") + id);
}

} // namespace

class TestMenus : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<OstrelApp> m_app;
    std::unique_ptr<AlertRecorder> m_alerts;

    ChangeMenuCommands *changeMenu() const { return m_app->findChild<ChangeMenuCommands *>(); }
    QAction *item(const QMainWindow *window, const QString &menu, const QString &text) const
    {
        return menuItem(window, menu, text);
    }
    std::unique_ptr<FocusedWindow> repoWindow(const QString &folder, bool publishSelection = true)
    {
        auto window = std::make_unique<FocusedWindow>(folder, publishSelection);
        m_app->installMenus(window.get());
        return window;
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        QFile::remove(platform::WindowRestoration::stateFilePath());
        m_alerts = std::make_unique<AlertRecorder>();
        m_app = std::make_unique<OstrelApp>();
        m_app->launch();
    }

    void cleanup()
    {
        m_app.reset();
        m_alerts.reset();
        HelpMenu::setUrlOpener({});
    }

    void launchOpensNoRepositoryWindow()
    {
        QVERIFY(platform::WindowGroup::instance().windows().isEmpty());
        // Off macOS a window must carry the menu bar meanwhile.
        QVERIFY(m_app->menuBarWindow());
        QVERIFY(m_app->menuBarWindow()->isVisible());
        QVERIFY(!platform::FocusedValues::instance().repoController());
    }

    void menuBarLayout()
    {
        const auto check = [](const QMainWindow *window) {
            const QMenuBar *bar = window->menuBar();
            QCOMPARE(menuTitles(bar),
                     (QStringList{"File", "View", "Repository", "Change", "Help"}));
            QCOMPARE(describe(menuTitled(bar, "File")),
                     (QStringList{"New Repository\tCtrl+Shift+N", "Open Repository\tCtrl+O", "--",
                                  "Close Window\tCtrl+W", "Quit\tCtrl+Q"}));
            QCOMPARE(describe(menuTitled(bar, "View")), (QStringList{"Hide Sidebar\tMeta+Ctrl+S"}));
            QCOMPARE(describe(menuTitled(bar, "Repository")),
                     (QStringList{"Push\tCtrl+P", "Pull\tCtrl+Shift+P", "--", "Clone"}));
            QCOMPARE(describe(menuTitled(bar, "Change")),
                     (QStringList{"Add Change\tCtrl+N", "Commit Change\tCtrl+Shift+C",
                                  "Merge Changes\tCtrl+M", "--", "Remove Change\tCtrl+Backspace",
                                  "--", "Edit Description\tCtrl+E"}));
            QCOMPARE(describe(menuTitled(bar, "Help")),
                     (QStringList{"About Ostrel", QStringLiteral("Check for Updates\u2026"), "--",
                                  "Report a Bug", "Request a Feature"}));
        };
        check(m_app->menuBarWindow());
        if (QTest::currentTestFailed())
            return;
        saveScreenshot(m_app->menuBarWindow(), QStringLiteral("menu-bar-window"));
        for (QAction *menu : m_app->menuBarWindow()->menuBar()->actions()) {
            menu->menu()->popup(QPoint(0, 0));
            saveScreenshot(menu->menu(), QStringLiteral("menu-") + menu->text());
            menu->menu()->hide();
        }
        const auto window = repoWindow(QStringLiteral("/tmp"));
        check(window.get());
        // The update command's title ends in the one ellipsis character.
        QCOMPARE(item(window.get(), "Help", QStringLiteral("Check for Updates\u2026"))
                     ->text()
                     .toUtf8()
                     .size(),
                 20);
    }

    void itemsDoNothingWithoutARepositoryWindow()
    {
        LoggingJj jj(answers());
        QVERIFY(activate(m_app->menuBarWindow()));
        const QMainWindow *bar = m_app->menuBarWindow();
        const QStringList changeItems{"Add Change", "Commit Change", "Merge Changes",
                                      "Edit Description"};
        for (const QString &text : changeItems)
            QVERIFY2(item(bar, "Change", text)->isEnabled(), qPrintable(text));
        QVERIFY(!item(bar, "Change", "Remove Change")->isEnabled());
        for (const char *text : {"Push", "Pull", "Clone"})
            QVERIFY2(item(bar, "Repository", text)->isEnabled(), qPrintable(text));

        for (const QString &text : changeItems + QStringList{"Remove Change"})
            item(bar, "Change", text)->trigger();
        for (const char *text : {"Push", "Pull", "Clone"})
            item(bar, "Repository", text)->trigger();
        QCoreApplication::processEvents();
        QVERIFY(jj.runs().isEmpty());
        QVERIFY(m_alerts->alerts.isEmpty());
        QVERIFY(platform::WindowGroup::instance().windows().isEmpty());
        QVERIFY(item(bar, "Change", "Add Change")->isEnabled());
        QVERIFY(item(bar, "Repository", "Pull")->isEnabled());
    }

    void removeChangeIsEnabledOnlyWithARepositoryWindow()
    {
        const auto window = repoWindow(QStringLiteral("/tmp"));
        QAction *remove = changeMenu()->removeChangeItem();
        QVERIFY(activate(window.get()));
        QTRY_VERIFY(remove->isEnabled());
        QVERIFY(activate(m_app->menuBarWindow()));
        QTRY_VERIFY(!remove->isEnabled());
        QVERIFY(activate(window.get()));
        QTRY_VERIFY(remove->isEnabled());
    }

    void dialogItemsAskTheWindowForTheirSheet()
    {
        const auto window = repoWindow(QStringLiteral("/tmp"));
        QVERIFY(activate(window.get()));
        item(window.get(), "Change", "Commit Change")->trigger();
        item(window.get(), "Change", "Edit Description")->trigger();
        item(window.get(), "Repository", "Push")->trigger();
        item(window.get(), "Repository", "Clone")->trigger();
        QCOMPARE(window->shownSheets, (QList<Sheet>{Sheet::addChange, Sheet::editChangeDescription,
                                                    Sheet::push, Sheet::clone}));
    }

    void addChangePutsTheNewWorkingCopyFirst()
    {
        LoggingJj jj(answers(QStringLiteral("new")));
        const auto window = repoWindow(QDir::tempPath());
        window->controller->modifyRepo([](Repo &repo) { repo.changes = {change("old")}; });
        QVERIFY(activate(window.get()));

        QAction *add = item(window.get(), "Change", "Add Change");
        add->trigger();
        // Disabled while its own run lasts; the other items stay usable.
        QVERIFY(!add->isEnabled());
        QVERIFY(item(window.get(), "Change", "Merge Changes")->isEnabled());
        add->trigger();
        jj.openGate();
        QTRY_VERIFY(add->isEnabled());
        QCOMPARE(jj.commands(), (QList<QStringList>{{"new"}, {"log", "--no-graph", "-r", "@"}}));
        QCOMPARE(changeIds(window->controller->repo().changes), (QStringList{"fresh", "old"}));
    }

    void mergePassesTheSelectionAsItIs()
    {
        LoggingJj jj(answers());
        const auto window = repoWindow(QStringLiteral("/tmp"));
        window->controller->modifyRepo([](Repo &repo) {
            repo.changes = {change("a"), change("b")};
            repo.selectedChanges = ChangeSet{repo.changes[1], repo.changes[0]};
        });
        QVERIFY(activate(window.get()));
        QAction *merge = item(window.get(), "Change", "Merge Changes");
        merge->trigger();
        QTRY_VERIFY(merge->isEnabled());
        QCOMPARE(jj.commands(), (QList<QStringList>{{"new", "-r", "b", "a", "-m", "Merge"},
                                                    {"log", "--no-graph", "-r", "@"}}));
        QCOMPARE(changeIds(window->controller->repo().changes), (QStringList{"fresh", "a", "b"}));
    }

    void removeChangeRemovesTheSetTakenBeforeTheAbandon_data()
    {
        QTest::addColumn<bool>("abandonFails");
        QTest::newRow("abandon succeeds") << false;
        QTest::newRow("abandon fails") << true;
    }

    void removeChangeRemovesTheSetTakenBeforeTheAbandon()
    {
        QFETCH(bool, abandonFails);
        LoggingJj jj(answers(QStringLiteral("abandon"),
                             abandonFails ? QStringLiteral("abandon") : QString()));
        const auto window = repoWindow(QDir::tempPath());
        RepoController *controller = window->controller;
        const ChangePtr gone = change("x");
        controller->modifyRepo([&](Repo &repo) {
            repo.changes = {change("a"), change("b"), change("c")};
            repo.selectedChanges = ChangeSet{repo.changes[0], gone, repo.changes[2]};
        });
        QVERIFY(activate(window.get()));

        QAction *remove = item(window.get(), "Change", "Remove Change");
        remove->trigger();
        QVERIFY(!remove->isEnabled());
        // The user selects another row while jj runs.
        controller->modifyRepo(
            [](Repo &repo) { repo.selectedChanges = ChangeSet{repo.changes[1]}; });
        QSignalSpy writes(controller, &RepoController::repoChanged);
        jj.openGate();
        QTRY_VERIFY(remove->isEnabled());

        QCOMPARE(jj.commands(), (QList<QStringList>{{"abandon", "-r", "a", "x", "c"}}));
        // jj abandons all or nothing: a refusal leaves every row.
        QCOMPARE(changeIds(controller->repo().changes),
                 abandonFails ? QStringList({"a", "b", "c"}) : QStringList{"b"});
        QCOMPARE(writes.count(), abandonFails ? 0 : 2);
        QCOMPARE(changeIds(controller->repo().selectedChanges.toList()), QStringList{"b"});
        QCOMPARE(m_alerts->alerts.size(), abandonFails ? 1 : 0);
        if (abandonFails) {
            QCOMPARE(m_alerts->alerts[0].message, QStringLiteral("Error running command"));
            QCOMPARE(m_alerts->alerts[0].informative, QStringLiteral("failed: abandon -r a x c\n"));
            QCOMPARE(m_alerts->alerts[0].context, controller);
        }
    }

    void removeChangeWithNothingSelectedStillAsksJj()
    {
        LoggingJj jj(answers());
        const auto window = repoWindow(QStringLiteral("/tmp"));
        window->controller->modifyRepo([](Repo &repo) { repo.changes = {change("a")}; });
        QVERIFY(activate(window.get()));
        QAction *remove = item(window.get(), "Change", "Remove Change");
        remove->trigger();
        QTRY_VERIFY(remove->isEnabled());
        QCOMPARE(jj.commands(), (QList<QStringList>{{"abandon", "-r"}}));
        QCOMPARE(changeIds(window->controller->repo().changes), QStringList{"a"});
    }

    void pullFetchesThenReloadsTheShownList_data()
    {
        QTest::addColumn<bool>("publishSelection");
        QTest::addColumn<int>("selectionDuringFetch"); // -1: unchanged, else a category
        QTest::addColumn<bool>("bookmark");
        QTest::addColumn<bool>("fetchFails");
        QTest::addColumn<QStringList>("reload");

        const QStringList all{"log", "--no-graph", "-r", "::"};
        QTest::newRow("all changes") << true << -1 << false << false << all;
        QTest::newRow("no published selection") << false << -1 << false << false << all;
        QTest::newRow("my changes chosen during the fetch")
            << true << int(ChangeCategory::myChanges) << false << false
            << QStringList{"log", "--no-graph", "-r", "mine()"};
        QTest::newRow("bookmark") << true << -1 << true << false
                                  << QStringList{"log", "--no-graph", "-r", "ancestors(main)"};
        QTest::newRow("failed fetch still reloads") << true << -1 << false << true << all;
    }

    void pullFetchesThenReloadsTheShownList()
    {
        QFETCH(bool, publishSelection);
        QFETCH(int, selectionDuringFetch);
        QFETCH(bool, bookmark);
        QFETCH(bool, fetchFails);
        QFETCH(QStringList, reload);

        LoggingJj jj(answers(QStringLiteral("git fetch"),
                             fetchFails ? QStringLiteral("git fetch") : QString()));
        const auto window = repoWindow(QDir::tempPath(), publishSelection);
        if (bookmark)
            window->selection = SidebarSelection::bookmark(Bookmark{QStringLiteral("main")});
        QVERIFY(activate(window.get()));

        QAction *pull = item(window.get(), "Repository", "Pull");
        pull->trigger();
        QVERIFY(!pull->isEnabled());
        if (selectionDuringFetch >= 0)
            window->selection = SidebarSelection::change(ChangeCategory(selectionDuringFetch));
        jj.openGate();
        QTRY_VERIFY(pull->isEnabled());

        QCOMPARE(jj.commands(), (QList<QStringList>{{"git", "fetch"}, reload}));
        QCOMPARE(changeIds(window->controller->repo().changes), QStringList{"listed"});
        QCOMPARE(m_alerts->alerts.size(), fetchFails ? 1 : 0);
    }

    void cloneOpensTheCloneInAWindowOfItsOwn()
    {
        LoggingJj jj(
            QStringLiteral("case \"$1 $2\" in 'git clone') mkdir -p \"$4/.jj\" ;; esac\n"));
        QTemporaryDir parent;
        const QString destination = parent.filePath(QStringLiteral("my clone"));
        platform::setSavePanelHook([&](const platform::SavePanelOptions &) {
            return std::optional<QUrl>(QUrl::fromLocalFile(destination));
        });
        const auto window = repoWindow(QDir::tempPath());
        RepoController *controller = window->controller;
        window->presenter = new SheetPresenter(window.get(), [controller] { return controller; });
        QVERIFY(activate(window.get()));

        item(window.get(), "Repository", "Clone")->trigger();
        auto *dialog = qobject_cast<CloneView *>(window->presenter->dialog());
        QVERIFY(dialog);
        QTest::keyClicks(dialog->locationField(), QStringLiteral(" ../origin repo "));
        dialog->actionButton()->button()->click();
        QTRY_COMPARE(platform::WindowGroup::instance().windows().size(), 1);
        QMainWindow *clone = platform::WindowGroup::instance().windows().constFirst();
        QCOMPARE(clone->windowTitle(), QStringLiteral("my clone"));
        QCOMPARE(jj.runs()[0].folder, QStringLiteral("/"));
        QCOMPARE(jj.runs()[0].arguments,
                 (QStringList{"git", "clone", " ../origin repo ", destination}));
        QTRY_VERIFY(!window->presenter->dialog());
        QVERIFY(m_alerts->alerts.isEmpty());
        platform::setSavePanelHook({});
    }

    void menusActOnTheActiveWindow()
    {
        LoggingJj jj(answers());
        QTemporaryDir first;
        QTemporaryDir second;
        const auto a = repoWindow(first.path());
        const auto b = repoWindow(second.path());

        QVERIFY(activate(b.get()));
        item(a.get(), "Change", "Add Change")->trigger(); // any window's menu: the active one acts
        QTRY_COMPARE(changeIds(b->controller->repo().changes), QStringList{"fresh"});
        QCOMPARE(jj.runs()[0].folder, second.path());
        QVERIFY(a->controller->repo().changes.isEmpty());

        QVERIFY(activate(a.get()));
        QTest::keyClick(a.get(), Qt::Key_N, Qt::ControlModifier);
        QTRY_COMPARE(changeIds(a->controller->repo().changes), QStringList{"fresh"});
        QCOMPARE(jj.runs().size(), 4);
        QCOMPARE(jj.runs()[2].folder, first.path());

        QTest::keyClick(a.get(), Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(a->shownSheets, QList<Sheet>{Sheet::push});
        QVERIFY(b->shownSheets.isEmpty());
    }

    void closingTheWindowDuringAnActionIsHarmless()
    {
        LoggingJj jj(answers(QStringLiteral("abandon")));
        auto window = repoWindow(QDir::tempPath());
        window->controller->modifyRepo([](Repo &repo) {
            repo.changes = {change("a")};
            repo.selectedChanges = ChangeSet{repo.changes[0]};
        });
        QVERIFY(activate(window.get()));
        QAction *remove = changeMenu()->removeChangeItem();
        remove->trigger();
        window.reset();
        jj.openGate();
        const AsyncRunner *runner = remove->findChild<AsyncMenuAction *>()->runner();
        QTRY_VERIFY(!runner->isPerformingTask());
        QCOMPARE(jj.runs().size(), 1);
        QVERIFY(!remove->isEnabled());
    }

    void repositoryWindowsAnswerTheMenus()
    {
        LoggingJj jj(answers());
        auto *view = qobject_cast<RepoView *>(platform::WindowGroup::instance().openWindow(
            std::make_unique<RepoController>(QUrl::fromLocalFile(QDir::tempPath()))));
        QVERIFY(view);
        QVERIFY(activate(view));
        QTRY_VERIFY(changeMenu()->removeChangeItem()->isEnabled());

        item(view, "Change", "Edit Description")->trigger();
        QVERIFY(qobject_cast<EditDescriptionView *>(view->sheetPresenter()->dialog()));
        view->sheetPresenter()->setSheet(std::nullopt);

        // The View menu folds and unfolds the active window's sidebar.
        QAction *sidebar = menuTitled(view->menuBar(), "View")->actions().constFirst();
        QCOMPARE(sidebar->text(), QStringLiteral("Hide Sidebar"));
        sidebar->trigger();
        QVERIFY(view->sidebar()->isHidden());
        QCOMPARE(sidebar->text(), QStringLiteral("Show Sidebar"));
        sidebar->trigger();
        QVERIFY(!view->sidebar()->isHidden());
        QCOMPARE(sidebar->text(), QStringLiteral("Hide Sidebar"));

        // Without a repository window it does nothing.
        QVERIFY(activate(m_app->menuBarWindow()));
        QTRY_VERIFY(!changeMenu()->removeChangeItem()->isEnabled());
        sidebar->trigger();
        QVERIFY(!view->sidebar()->isHidden());
    }

    void helpItemsOpenOneFeedbackAddress()
    {
        QList<QUrl> opened;
        HelpMenu::setUrlOpener([&](const QUrl &url) { opened.append(url); });
        item(m_app->menuBarWindow(), "Help", "Report a Bug")->trigger();
        item(m_app->menuBarWindow(), "Help", "Request a Feature")->trigger();
        QCOMPARE(opened, (QList<QUrl>{QUrl("mailto:feedback@ostrel.app"),
                                      QUrl("mailto:feedback@ostrel.app")}));
    }
};

QTEST_MAIN(TestMenus)
#include "tst_menus.moc"

#include "AppTestSupport.h"

#include "app/MenuBarWindow.h"
#include "app/OstrelApp.h"
#include "app/WindowGroup.h"
#include "app/WindowRestoration.h"
#include "dialogs/Panels.h"
#include "model/RepoController.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStandardPaths>
#include <QTest>
#include <QWindow>

using namespace testing;

namespace {

// `jj git init --colocate NAME` makes NAME/.jj in the folder it runs in.
const QString initAnswers = QStringLiteral(
    "case \"$1 $2\" in 'git init') mkdir -p \"$4/.jj\" ;; esac\n"
    "case \"$4\" in *broken*) echo \"Error: cannot create $4\" >&2; exit 1 ;; esac\n");

QString folderOf(QMainWindow *window)
{
    return platform::WindowGroup::instance().valueOf(window)->repo().folder.url.toLocalFile();
}

} // namespace

class TestFileMenu : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<OstrelApp> m_app;
    std::unique_ptr<AlertRecorder> m_alerts;
    QList<platform::SavePanelOptions> m_savePanels;
    int m_folderPanels = 0;

    QAction *fileItem(const QString &text) const
    {
        return menuItem(m_app->menuBarWindow(), QStringLiteral("File"), text);
    }
    void answerSavePanel(std::optional<QUrl> answer)
    {
        platform::setSavePanelHook([this, answer](const platform::SavePanelOptions &options) {
            m_savePanels.append(options);
            return answer;
        });
    }
    void answerFolderPanel(platform::FolderChoice answer)
    {
        platform::setFolderPanelHook([this, answer] {
            ++m_folderPanels;
            return answer;
        });
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        QFile::remove(platform::WindowRestoration::stateFilePath());
        m_alerts = std::make_unique<AlertRecorder>();
        m_app = std::make_unique<OstrelApp>();
        m_app->launch();
        m_savePanels.clear();
        m_folderPanels = 0;
    }

    void cleanup()
    {
        m_app.reset();
        m_alerts.reset();
        platform::setSavePanelHook({});
        platform::setFolderPanelHook({});
    }

    void newRepositoryCancelledRunsNothing()
    {
        LoggingJj jj(initAnswers);
        answerSavePanel(std::nullopt);
        QAction *item = fileItem("New Repository");
        item->trigger();
        QTRY_VERIFY(item->isEnabled());
        QCOMPARE(m_savePanels.size(), 1);
        QCOMPARE(m_savePanels[0].title, QStringLiteral("Create Jujutsu Repository"));
        QCOMPARE(m_savePanels[0].prompt, QStringLiteral("Create Repository"));
        QCOMPARE(m_savePanels[0].nameFieldLabel, QStringLiteral("Repository Name:"));
        QVERIFY(m_savePanels[0].canCreateDirectories);
        QVERIFY(jj.runs().isEmpty());
        QVERIFY(repositoryWindows().isEmpty());
        QVERIFY(m_app->menuBarWindow()->isVisible());
    }

    void newRepositoryOpensAWindowTitledByTheFolder()
    {
        LoggingJj jj(initAnswers + QStringLiteral("case \"$1\" in new) holdUntilOpen ;; esac\n"));
        QTemporaryDir parent;
        const QString location = parent.filePath(QStringLiteral("demo"));
        answerSavePanel(QUrl::fromLocalFile(location));

        // Shift-Ctrl-N is New Repository; Ctrl-N belongs to the Change menu.
        QVERIFY(activate(m_app->menuBarWindow()));
        QTest::keyClick(m_app->menuBarWindow(), Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
        QTRY_COMPARE(repositoryWindows().size(), 1);
        QCOMPARE(jj.runs()[0].folder, parent.path());
        QCOMPARE(jj.runs()[0].arguments, (QStringList{"git", "init", "--colocate", "demo"}));
        QVERIFY(QFileInfo(location + QStringLiteral("/.jj")).isDir());
        QCOMPARE(repositoryWindows()[0]->windowTitle(), QStringLiteral("demo"));
        QCOMPARE(folderOf(repositoryWindows()[0]), location);
        QVERIFY(m_alerts->alerts.isEmpty());
        // The menus move to the repository window.
        QTRY_VERIFY(!m_app->menuBarWindow()->isVisible());
        QCOMPARE(menuTitles(repositoryWindows()[0]->menuBar()),
                 menuTitles(m_app->menuBarWindow()->menuBar()));
        jj.openGate();
    }

    void newRepositoryOpensAWindowAfterAFailedCreation()
    {
        LoggingJj jj(initAnswers);
        QTemporaryDir parent;
        const QString location = parent.filePath(QStringLiteral("broken"));
        answerSavePanel(QUrl::fromLocalFile(location));
        int alertsWhenTheWindowOpened = -1;
        QObject context;
        connect(&platform::WindowGroup::instance(), &platform::WindowGroup::windowOpened, &context,
                [&] { alertsWhenTheWindowOpened = int(m_alerts->alerts.size()); });

        fileItem("New Repository")->trigger();
        QTRY_COMPARE(repositoryWindows().size(), 1);
        QCOMPARE(alertsWhenTheWindowOpened, 1);
        QCOMPARE(m_alerts->alerts[0].message, QStringLiteral("Error running command"));
        QCOMPARE(m_alerts->alerts[0].informative, QStringLiteral("Error: cannot create broken\n"));
        QCOMPARE(repositoryWindows()[0]->windowTitle(), QStringLiteral("broken"));
        QCOMPARE(folderOf(repositoryWindows()[0]), location);
    }

    void newRepositoryIsDisabledWhileItRuns()
    {
        LoggingJj jj(initAnswers + QStringLiteral("case \"$1\" in git) holdUntilOpen ;; esac\n"));
        QTemporaryDir parent;
        answerSavePanel(QUrl::fromLocalFile(parent.filePath(QStringLiteral("slow"))));
        QAction *item = fileItem("New Repository");
        item->trigger();
        QVERIFY(!item->isEnabled());
        QVERIFY(fileItem("Open Repository")->isEnabled());
        item->trigger();
        jj.openGate();
        QTRY_VERIFY(item->isEnabled());
        QCOMPARE(m_savePanels.size(), 1);
        QTRY_COMPARE(repositoryWindows().size(), 1);
    }

    void openRepositoryOpensAWindow()
    {
        LoggingJj jj;
        QTemporaryDir parent;
        const QString folder = parent.filePath(QStringLiteral("photos"));
        QVERIFY(QDir().mkpath(folder + QStringLiteral("/.jj")));
        answerFolderPanel({QUrl::fromLocalFile(folder), QString()});

        QVERIFY(activate(m_app->menuBarWindow()));
        QTest::keyClick(m_app->menuBarWindow(), Qt::Key_O, Qt::ControlModifier);
        QTRY_COMPARE(repositoryWindows().size(), 1);
        QCOMPARE(m_folderPanels, 1);
        QCOMPARE(repositoryWindows()[0]->windowTitle(), QStringLiteral("photos"));
        QCOMPARE(folderOf(repositoryWindows()[0]), folder);
        QVERIFY(m_alerts->alerts.isEmpty());

        // An equal value brings its window forward instead of opening another.
        fileItem("Open Repository")->trigger();
        QCOMPARE(m_folderPanels, 2);
        QCOMPARE(repositoryWindows().size(), 1);
    }

    void openFolderWithoutRepositoryShowsTheAlert_data()
    {
        QTest::addColumn<QString>("jjEntry"); // "", "file" or "missing folder"
        QTest::newRow("plain folder") << "";
        QTest::newRow(".jj is a file") << "file";
        QTest::newRow("folder that does not exist") << "missing folder";
    }

    void openFolderWithoutRepositoryShowsTheAlert()
    {
        QFETCH(QString, jjEntry);
        LoggingJj jj;
        QTemporaryDir parent;
        const QString folder = parent.filePath(QStringLiteral("photos"));
        if (jjEntry != QStringLiteral("missing folder"))
            QVERIFY(QDir().mkpath(folder + QStringLiteral("/.git")));
        if (jjEntry == QStringLiteral("file"))
            writeFile(folder + QStringLiteral("/.jj"), "not a folder");
        answerFolderPanel({QUrl::fromLocalFile(folder + u'/'), QString()});

        fileItem("Open Repository")->trigger();
        QTRY_COMPARE(m_alerts->alerts.size(), 1);
        QCOMPARE(m_alerts->alerts[0].message, QStringLiteral("No Jujutsu repo found"));
        QCOMPARE(m_alerts->alerts[0].informative,
                 QStringLiteral(
                     "The app could not find a Jujutsu repo in the following folder: photos"));
        QVERIFY(repositoryWindows().isEmpty());
        QVERIFY(jj.runs().isEmpty());
    }

    void openPanelCancelledOrFailedOpensNothing()
    {
        answerFolderPanel({std::nullopt, QStringLiteral("The folder could not be read")});
        fileItem("Open Repository")->trigger();
        answerFolderPanel({std::nullopt, QString()});
        fileItem("Open Repository")->trigger();
        QCoreApplication::processEvents();
        QCOMPARE(m_folderPanels, 2);
        QVERIFY(repositoryWindows().isEmpty());
        QVERIFY(m_alerts->alerts.isEmpty());
    }

    void windowWithoutValueShowsTheRootFolder()
    {
        QMainWindow *window = platform::WindowGroup::instance().openWindow(nullptr);
        QVERIFY(window);
        QCOMPARE(window->windowTitle(), QStringLiteral("Repo"));
        QCOMPARE(folderOf(window), QStringLiteral("/"));
        QVERIFY(!platform::WindowGroup::instance().hasValue(window));
    }

    void titlesFollowTheFolderName_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("title");
        QTest::newRow("trailing slash") << "/tmp/work/demo/"
                                        << "demo";
        QTest::newRow("blanks and accents") << "/tmp/my repos/café"
                                            << "café";
        QTest::newRow("markup and marks stay text") << "/tmp/<b>50% [*]"
                                                    << "<b>50% [*]";
    }

    void titlesFollowTheFolderName()
    {
        QFETCH(QString, path);
        QFETCH(QString, title);
        LoggingJj jj;
        QMainWindow *window = platform::WindowGroup::instance().openWindow(
            std::make_unique<RepoController>(QUrl::fromLocalFile(path)));
        QCOMPARE(window->windowHandle()->title(), title);
    }
};

QTEST_MAIN(TestFileMenu)
#include "tst_filemenu.moc"

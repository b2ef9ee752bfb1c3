#include "AppTestSupport.h"
#include "window/PaintCounter.h"

#include "app/MenuBarWindow.h"
#include "app/OstrelApp.h"
#include "app/WindowGroup.h"
#include "app/WindowRestoration.h"
#include "model/RepoController.h"
#include "window/ChangeList.h"
#include "window/RepoView.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMainWindow>
#include <QSemaphore>
#include <QStandardPaths>
#include <QTest>
#include <QThreadPool>

#include <sys/stat.h>

using namespace testing;

namespace {

std::unique_ptr<RepoController> richController(const QString &folder, const QString &id)
{
    Repo repo = Repo::empty(QUrl::fromLocalFile(folder));
    for (const QString &suffix : {QStringLiteral("1"), QStringLiteral("2")}) {
        auto change = std::make_shared<Change>();
        change->setChangeId(id + suffix);
        change->setDescription(QStringLiteral("work on ") + id + suffix);
        change->setAuthor(QStringLiteral("test.user@example.com"));
        repo.changes.append(change);
    }
    repo.selectedChanges = ChangeSet{repo.changes[1]};
    repo.bookmarks = {Bookmark{QStringLiteral("main"), repo.changes[0]}};
    repo.currentBookmark = repo.bookmarks[0];
    repo.remotes = {
        Remote{QStringLiteral("origin"), QUrl::fromLocalFile(QStringLiteral("/srv/origin.git"))}};
    repo.currentRemote = repo.remotes[0];
    return std::make_unique<RepoController>(std::move(repo));
}

Json readState()
{
    QFile file(platform::WindowRestoration::stateFilePath());
    if (!file.open(QIODevice::ReadOnly))
        return Json();
    const QByteArray bytes = file.readAll();
    return Json::parse(bytes.constBegin(), bytes.constEnd(), nullptr, false);
}

// The window values of a state file, whichever way it keeps them.
Json storedValues(const Json &state)
{
    Json values = Json::array();
    for (const Json &window : state)
        values.push_back(window.contains("value") ? window["value"] : window);
    return values;
}

Json openWindowValues()
{
    Json values = Json::array();
    for (QMainWindow *window : repositoryWindows())
        values.push_back(platform::WindowGroup::instance().valueOf(window)->toJson());
    return values;
}

QString text(const Json &json)
{
    return QString::fromStdString(json.dump());
}

QStringList setAsideFiles()
{
    const QFileInfo state(platform::WindowRestoration::stateFilePath());
    return state.dir().entryList({state.fileName() + QStringLiteral(".unreadable-*")}, QDir::Files);
}

// Keeps every thread of the global pool busy until released, so that work handed to
// the pool meanwhile waits.
class PoolHold {
public:
    PoolHold() : m_threads(QThreadPool::globalInstance()->maxThreadCount())
    {
        // Shared with the tasks, which may still be leaving them after the hold is gone.
        for (int i = 0; i < m_threads; ++i)
            QThreadPool::globalInstance()->start([started = m_started, released = m_released] {
                started->release();
                released->acquire();
            });
        m_started->acquire(m_threads);
    }
    ~PoolHold() { m_released->release(m_threads); }

private:
    int m_threads;
    std::shared_ptr<QSemaphore> m_started = std::make_shared<QSemaphore>();
    std::shared_ptr<QSemaphore> m_released = std::make_shared<QSemaphore>();
};

} // namespace

class TestRestoration : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<AlertRecorder> m_alerts;

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        const QFileInfo state(platform::WindowRestoration::stateFilePath());
        QFile::remove(state.filePath());
        for (const QString &name : setAsideFiles())
            QFile::remove(state.dir().filePath(name));
        m_alerts = std::make_unique<AlertRecorder>();
    }

    void cleanup() { m_alerts.reset(); }

    void quittingWithTwoWindowsRestoresBoth()
    {
        // jj stays silent, so the windows' loads cannot replace the stored values
        // before they are compared.
        LoggingJj jj(QStringLiteral("holdUntilOpen\n"));
        QTemporaryDir first;
        QTemporaryDir second;
        Json stored;
        {
            OstrelApp app;
            app.launch();
            platform::WindowGroup::instance().openWindow(
                richController(first.path(), QStringLiteral("a")));
            platform::WindowGroup::instance().openWindow(
                richController(second.path(), QStringLiteral("b")));
            QCOMPARE(repositoryWindows().size(), 2);
            stored = openWindowValues();
            app.quit();
            QCOMPARE(text(storedValues(readState())), text(stored));
        }
        QVERIFY(repositoryWindows().isEmpty());
        QCOMPARE(int(stored.size()), 2);
        QCOMPARE(int(stored[0]["_repo"]["changes"].size()), 2);
        QVERIFY(stored[0].contains("_$observationRegistrar"));

        OstrelApp app;
        app.launch();
        QTRY_COMPARE(repositoryWindows().size(), 2);
        QCOMPARE(text(openWindowValues()), text(stored));
        QCOMPARE(repositoryWindows()[0]->windowTitle(), QFileInfo(first.path()).fileName());
        QCOMPARE(repositoryWindows()[1]->windowTitle(), QFileInfo(second.path()).fileName());
        QVERIFY(!app.menuBarWindow() || !app.menuBarWindow()->isVisible());
        QVERIFY(setAsideFiles().isEmpty());
        jj.openGate();
    }

    void quittingWhileWindowsComeBackKeepsThem()
    {
        LoggingJj jj(QStringLiteral("holdUntilOpen\n"));
        QTemporaryDir folder;
        // The values alone, as files were written before windows kept their places.
        Json values = Json::array();
        values.push_back(richController(folder.path(), QStringLiteral("a"))->toJson());
        writeFile(platform::WindowRestoration::stateFilePath(),
                  QByteArray::fromStdString(values.dump()));

        OstrelApp app;
        app.launch();
        app.quit();
        QCOMPARE(text(storedValues(readState())), text(values));
        QTRY_COMPARE(repositoryWindows().size(), 1);
        QCOMPARE(text(openWindowValues()), text(values));
        jj.openGate();
    }

    void quittingWithNoWindowStoresNone()
    {
        {
            OstrelApp app;
            app.launch();
            platform::WindowGroup::instance().openWindow(
                richController(QStringLiteral("/tmp"), QStringLiteral("a")));
            // Closed windows are not restored.
            delete repositoryWindows().constFirst();
            QVERIFY(app.menuBarWindow()->isVisible());
            app.menuBarWindow()->close();
        }
        QCOMPARE(text(readState()), QStringLiteral("[]"));
        OstrelApp app;
        app.launch();
        QTRY_VERIFY(app.menuBarWindow() && app.menuBarWindow()->isVisible());
        QVERIFY(repositoryWindows().isEmpty());
    }

    void unreadableStateIsSetAside_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<int>("windowsOpened");
        QTest::newRow("not JSON") << QByteArray("{\"_repo\": [trunc") << 0;
        QTest::newRow("empty file") << QByteArray() << 0;
        QTest::newRow("not a list") << QByteArray("{\"_repo\": {}}") << 0;
        QTest::newRow("one value without _repo")
            << QByteArray("[{\"_repo\": {\"folder\": {\"url\": \"file:///tmp\"}, \"changes\": [], "
                          "\"selectedChanges\": [], \"bookmarks\": [], \"remotes\": []}, "
                          "\"_$observationRegistrar\": {}}, {\"repo\": {}}]")
            << 1;
    }

    void unreadableStateIsSetAside()
    {
        QFETCH(QByteArray, contents);
        QFETCH(int, windowsOpened);
        LoggingJj jj;
        writeFile(platform::WindowRestoration::stateFilePath(), contents);

        OstrelApp app;
        app.launch();
        QTRY_COMPARE(repositoryWindows().size(), windowsOpened);
        QTRY_COMPARE(app.menuBarWindow() && app.menuBarWindow()->isVisible(), windowsOpened == 0);
        QVERIFY(!QFile::exists(platform::WindowRestoration::stateFilePath()));
        const QStringList kept = setAsideFiles();
        QCOMPARE(kept.size(), 1);
        QFile keptFile(
            QFileInfo(platform::WindowRestoration::stateFilePath()).dir().filePath(kept[0]));
        QVERIFY(keptFile.open(QIODevice::ReadOnly));
        QCOMPARE(keptFile.readAll(), contents);
        QVERIFY(m_alerts->alerts.isEmpty());
    }

    void windowsComeBackWhereTheyWereWithTheSelectedRowInView()
    {
        LoggingJj jj(QStringLiteral("holdUntilOpen\n"));
        QTemporaryDir folder;
        Repo repo = Repo::empty(QUrl::fromLocalFile(folder.path()));
        for (int i = 0; i < 300; ++i)
            repo.changes.append(makeChange(QStringLiteral("c%1").arg(i, 3, 10, QLatin1Char('0'))));
        repo.selectedChanges = ChangeSet{repo.changes[280]};
        {
            OstrelApp app;
            app.launch();
            QMainWindow *window = platform::WindowGroup::instance().openWindow(
                std::make_unique<RepoController>(repo));
            window->setGeometry(30, 40, 700, 500);
            app.quit();
        }
        OstrelApp app;
        app.launch();
        QTRY_COMPARE(repositoryWindows().size(), 1);
        auto *view = qobject_cast<RepoView *>(repositoryWindows()[0]);
        QCOMPARE(view->geometry(), QRect(30, 40, 700, 500));
        ChangeList *list = view->changeList();
        QTRY_VERIFY(
            list->viewport()->rect().contains(list->visualRect(list->model()->index(280, 0))));
        jj.openGate();
    }

    void aWindowComingBackShowsOnceItIsReadyAndOnlyIfItIsStillThere()
    {
        LoggingJj jj(QStringLiteral("holdUntilOpen\n"));
        QTemporaryDir folder;
        OstrelApp app;
        app.launch();
        auto &group = platform::WindowGroup::instance();
        QMainWindow *restored = nullptr;
        bool done = false;
        const auto restore = [&](std::unique_ptr<RepoController> value) -> QCoro::Task<> {
            restored = co_await group.openPreparedWindow(std::move(value), QByteArray());
            done = true;
        };

        // The window being made, listed once it shows.
        const auto beingMade = [] {
            for (QWidget *widget : QApplication::topLevelWidgets())
                if (qobject_cast<RepoView *>(widget) && !widget->isVisible())
                    return qobject_cast<QMainWindow *>(widget);
            return static_cast<QMainWindow *>(nullptr);
        };

        // Opened again by its value while it is made: one window, shown when it is ready.
        auto hold = std::make_unique<PoolHold>();
        restore(richController(folder.path(), QStringLiteral("a")));
        QMainWindow *made = beingMade();
        QVERIFY(made);
        const testing::PaintCounter paints(made);
        QVERIFY(repositoryWindows().isEmpty());
        QCOMPARE(group.openWindow(richController(folder.path(), QStringLiteral("a"))), made);
        QVERIFY(!made->isVisible());
        hold.reset();
        QTRY_VERIFY(done);
        QCOMPARE(restored, made);
        QVERIFY(made->isVisible());
        QCOMPARE(repositoryWindows(), QList<QMainWindow *>{made});
        // Drawn in a turn after the one that showed it.
        QTRY_VERIFY(paints.count > 0);
        QVERIFY(made->updatesEnabled());
        delete made;

        // Gone while it is made: nothing shows, and the memory being taken stays valid.
        done = false;
        hold = std::make_unique<PoolHold>();
        restore(richController(folder.path(), QStringLiteral("b")));
        QVERIFY(beingMade());
        delete beingMade();
        hold.reset();
        QTRY_VERIFY(done);
        QCOMPARE(restored, nullptr);
        QVERIFY(repositoryWindows().isEmpty());
        jj.openGate();
    }

    void damagedStateNeverStopsTheStart_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("link to /dev/zero") << "zero";
        QTest::newRow("FIFO") << "fifo";
        QTest::newRow("larger than any sane state") << "large";
    }

    void damagedStateNeverStopsTheStart()
    {
        QFETCH(QString, kind);
        LoggingJj jj;
        const QString path = platform::WindowRestoration::stateFilePath();
        QDir().mkpath(QFileInfo(path).path());
        if (kind == u"zero") {
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
        } else if (kind == u"fifo") {
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else {
            // A state that reads well, made longer than the bound with blanks.
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray("[{\"_repo\": {\"folder\": {\"url\": \"file:///tmp\"}, "
                                  "\"changes\": [], \"selectedChanges\": [], \"bookmarks\": [], "
                                  "\"remotes\": []}, \"_$observationRegistrar\": {}}]"));
            const QByteArray blanks(1 << 20, ' ');
            while (file.size() <= platform::WindowRestoration::stateFileLimit)
                file.write(blanks);
        }

        OstrelApp app;
        app.launch();
        QTRY_VERIFY(app.menuBarWindow() && app.menuBarWindow()->isVisible());
        QVERIFY(repositoryWindows().isEmpty());
        const QFileInfo state(path);
        QVERIFY(!state.exists() && !state.isSymLink());
        const QStringList kept = state.dir().entryList(
            {state.fileName() + QStringLiteral(".unreadable-*")}, QDir::AllEntries | QDir::System);
        QCOMPARE(kept.size(), 1);
        for (const QString &name : kept)
            QFile::remove(state.dir().filePath(name));
    }

    void closingTheLastWindowBringsBackTheMenuBarWindow()
    {
        LoggingJj jj;
        OstrelApp app;
        app.launch();
        QVERIFY(app.menuBarWindow()->isVisible());
        QMainWindow *window = platform::WindowGroup::instance().openWindow(
            std::make_unique<RepoController>(QUrl::fromLocalFile(QStringLiteral("/tmp"))));
        QVERIFY(!app.menuBarWindow()->isVisible());
        window->close();
        QTRY_VERIFY(app.menuBarWindow()->isVisible());
        QVERIFY(repositoryWindows().isEmpty());
    }
};

QTEST_MAIN(TestRestoration)
#include "tst_restoration.moc"

#include "AppTestSupport.h"

#include "app/MenuBarWindow.h"
#include "app/OstrelApp.h"
#include "app/Updater.h"
#include "app/UpdaterView.h"
#include "app/WindowRestoration.h"
#include "dialogs/MessageBoxAlerts.h"
#include "model/Alert.h"
#include "model/Resources.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <QCoro/QCoroSignal>

using namespace testing;
using platform::Updater;

namespace {

QByteArray appcast(const QByteArray &items)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<rss version=\"2.0\" "
           "xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\">\n"
           "<channel><title>Ostrel</title>\n" +
           items + "</channel></rss>\n";
}

QByteArray item(const QByteArray &version, const QByteArray &url,
                const QByteArray &shortVersion = {})
{
    QByteArray text = "<item><title>Ostrel " + version + "</title><sparkle:version>" + version +
                      "</sparkle:version>";
    if (!shortVersion.isEmpty())
        text += "<sparkle:shortVersionString>" + shortVersion + "</sparkle:shortVersionString>";
    return text + "<enclosure url=\"" + url + "\" type=\"application/octet-stream\"/></item>\n";
}

// A resources folder whose update feed is a file of this test, or the given location.
class FeedFolder {
public:
    explicit FeedFolder(const QByteArray &feed, const QByteArray &location = {})
    {
        if (!feed.isNull())
            writeFile(m_dir.filePath(QStringLiteral("appcast.xml")), feed);
        writeFile(
            m_dir.filePath(QStringLiteral("update-feed")),
            (location.isEmpty()
                 ? QUrl::fromLocalFile(m_dir.filePath(QStringLiteral("appcast.xml"))).toEncoded()
                 : location) +
                '\n');
        platform::setResourceFolderForTesting(m_dir.path());
    }
    ~FeedFolder() { platform::setResourceFolderForTesting(QString()); }

private:
    QTemporaryDir m_dir;
};

} // namespace

class TestUpdater : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void readsTheNewestRelease_data()
    {
        QTest::addColumn<QByteArray>("feed");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("url");

        QTest::newRow("version elements")
            << appcast(item("1.2.0", "https://example.org/1.2.tar.gz", "1.2")) << "1.2.0"
            << "1.2"
            << "https://example.org/1.2.tar.gz";
        QTest::newRow("numeric, not textual, order")
            << appcast(item("1.9", "u9") + item("1.10", "u10") + item("1.2", "u2")) << "1.10"
            << "1.10"
            << "u10";
        QTest::newRow("versions on the enclosure")
            << appcast("<item><enclosure url=\"https://example.org/o.tgz\" sparkle:version=\"3.1\" "
                       "sparkle:shortVersionString=\"3.1 beta\"/></item>")
            << "3.1"
            << "3.1 beta"
            << "https://example.org/o.tgz";
        QTest::newRow("unreadable versions are passed over")
            << appcast(item("soon", "u1") + item("2.0", "u2") + item("2.0-rc1", "u3") + "<item/>")
            << "2.0"
            << "2.0"
            << "u2";
        QTest::newRow("no release") << appcast("") << ""
                                    << ""
                                    << "";
    }

    void readsTheNewestRelease()
    {
        QFETCH(QByteArray, feed);
        QFETCH(QString, version);
        QFETCH(QString, shown);
        QFETCH(QString, url);
        const platform::AppcastReading reading = platform::readAppcast(feed);
        QCOMPARE(reading.error, QString());
        QCOMPARE(reading.newest.has_value(), !version.isEmpty());
        if (reading.newest) {
            QCOMPARE(reading.newest->version.toString(), version);
            QCOMPARE(reading.newest->displayVersion, shown);
            QCOMPARE(reading.newest->downloadUrl.toString(), url);
        }
    }

    void rejectsWhatIsNoAppcast_data()
    {
        QTest::addColumn<QByteArray>("feed");
        QTest::newRow("broken XML") << appcast(item("2.0", "u")).left(120);
        QTest::newRow("an HTML page") << QByteArray("<html><body>Not found</body></html>");
        QTest::newRow("empty") << QByteArray();
    }

    void rejectsWhatIsNoAppcast()
    {
        QFETCH(QByteArray, feed);
        const platform::AppcastReading reading = platform::readAppcast(feed);
        QVERIFY(!reading.error.isEmpty());
        QVERIFY(!reading.newest);
    }

    void checkingIsPossibleOnlyAfterStartAndBetweenChecks()
    {
        FeedFolder folder(appcast(item("0.1", "u")));
        // The outcome alert stays up until the user dismisses it.
        QAction dismiss;
        int shown = 0;
        platform::setAlertPresenter([&](QString, QString, const QObject *) -> QCoro::Task<> {
            ++shown;
            co_await qCoro(&dismiss, &QAction::triggered);
        });
        Updater updater(QVersionNumber(0, 1));
        UpdaterView view(&updater);
        QVERIFY(!updater.canCheckForUpdates());
        QVERIFY(!view.item()->isEnabled());

        updater.start();
        QVERIFY(view.item()->isEnabled());
        view.item()->trigger();
        QTRY_COMPARE(shown, 1);
        QVERIFY(!view.item()->isEnabled());
        view.item()->trigger(); // ignored while the first check lasts
        dismiss.trigger();
        QTRY_VERIFY(view.item()->isEnabled());
        QCOMPARE(shown, 1);
        platform::setAlertPresenter({});
    }

    void outcomeOfTheMenuCommand_data()
    {
        QTest::addColumn<QByteArray>("feed");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("informative");

        const QString current = Updater::applicationVersion().toString();
        QTest::newRow("up to date")
            << appcast(item(current.toUtf8(), "https://example.org/same.tgz"))
            << QStringLiteral("You’re up to date!")
            << QStringLiteral("Ostrel %1 is currently the newest version available.").arg(current);
        QTest::newRow("up to date, trailing zeros")
            << appcast(item(current.toUtf8() + ".0", "u")) << QStringLiteral("You’re up to date!")
            << QString();
        QTest::newRow("newer version")
            << appcast(item("0.0.9", "old") +
                       item("99.1.0", "https://example.org/ostrel-99.1.tar.gz", "99.1"))
            << QStringLiteral("A new version of Ostrel is available!")
            << QStringLiteral("Ostrel 99.1 is now available; you have %1.\n\nDownload it from:\n"
                              "https://example.org/ostrel-99.1.tar.gz")
                   .arg(current);
        QTest::newRow("unreachable")
            << QByteArray() << QStringLiteral("Update Error!") << QString();
        QTest::newRow("not a feed")
            << QByteArray("<html/>") << QStringLiteral("Update Error!") << QString();
    }

    void outcomeOfTheMenuCommand()
    {
        QFETCH(QByteArray, feed);
        QFETCH(QString, message);
        QFETCH(QString, informative);
        FeedFolder folder(feed);
        AlertRecorder alerts;
        QFile::remove(platform::WindowRestoration::stateFilePath());
        OstrelApp app;
        app.launch();

        QAction *check = nullptr;
        for (QAction *action : menuTitled(app.menuBarWindow()->menuBar(), "Help")->actions())
            if (action->text() == QStringLiteral("Check for Updates…"))
                check = action;
        QVERIFY(check);
        QVERIFY(check->isEnabled());
        check->trigger();
        QTRY_COMPARE(alerts.alerts.size(), 1);
        QCOMPARE(alerts.alerts[0].message, message);
        if (!informative.isEmpty())
            QCOMPARE(alerts.alerts[0].informative, informative);
        if (message == QStringLiteral("Update Error!"))
            QVERIFY(alerts.alerts[0].informative.startsWith(
                QStringLiteral("An error occurred in retrieving update information. Please try "
                               "again later.\n\n")));
        QTRY_VERIFY(check->isEnabled());
    }

    void newerVersionShowsItsLinkInTheAlert()
    {
        FeedFolder folder(appcast(item("99.0", "https://example.org/ostrel-99.0.tar.gz")));
        platform::installMessageBoxAlerts();
        Updater updater;
        updater.start();
        updater.checkForUpdates();
        QMessageBox *box = nullptr;
        QTRY_VERIFY((box = [] {
            for (QWidget *widget : QApplication::topLevelWidgets())
                if (auto *found = qobject_cast<QMessageBox *>(widget); found && found->isVisible())
                    return found;
            return static_cast<QMessageBox *>(nullptr);
        }()));
        QCOMPARE(box->text(), QStringLiteral("A new version of Ostrel is available!"));
        QVERIFY(box->informativeText().endsWith(
            QStringLiteral("https://example.org/ostrel-99.0.tar.gz")));
        QVERIFY(!updater.canCheckForUpdates());
        saveScreenshot(box, QStringLiteral("update-newer-version"));
        QPointer<QMessageBox> guard(box);
        box->button(QMessageBox::Ok)->click();
        QTRY_VERIFY(!guard);
        QTRY_VERIFY(updater.canCheckForUpdates());
        platform::setAlertPresenter({});
    }

    void aFeedTooLargeOrEndlessIsAnError_data()
    {
        QTest::addColumn<QByteArray>("feed");
        QTest::addColumn<QByteArray>("location");
        // A valid feed, but far larger than any feed is.
        QTest::newRow("larger than the limit")
            << appcast(item("0.1", "u") + "<!--" + QByteArray(2 * 1024 * 1024, 'x') + "-->")
            << QByteArray();
        QTest::newRow("endless") << QByteArray() << QByteArray("/dev/zero");
    }

    void aFeedTooLargeOrEndlessIsAnError()
    {
        QFETCH(QByteArray, feed);
        QFETCH(QByteArray, location);
        FeedFolder folder(feed, location);
        AlertRecorder alerts;
        Updater updater;
        updater.start();
        updater.checkForUpdates();
        QTRY_COMPARE(alerts.alerts.size(), 1);
        QCOMPARE(alerts.alerts[0].message, QStringLiteral("Update Error!"));
        QVERIFY(alerts.alerts[0].informative.contains(QStringLiteral("larger than")));
        QTRY_VERIFY(updater.canCheckForUpdates());
    }

    void aFeedThatTricklesInTimesOut()
    {
        // A server that sends a byte now and then, never silent for long.
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        QTimer trickle;
        QList<QPointer<QTcpSocket>> clients;
        connect(&server, &QTcpServer::newConnection, &server, [&] {
            QTcpSocket *client = server.nextPendingConnection();
            client->write("HTTP/1.1 200 OK\r\nContent-Type: application/rss+xml\r\n"
                          "Content-Length: 100000\r\n\r\n<");
            clients.append(client);
        });
        connect(&trickle, &QTimer::timeout, &server, [&] {
            for (const QPointer<QTcpSocket> &client : std::as_const(clients))
                if (client)
                    client->write(" ");
        });
        trickle.start(50);
        FeedFolder folder({}, "http://127.0.0.1:" + QByteArray::number(server.serverPort()) +
                                  "/appcast.xml");
        AlertRecorder alerts;
        Updater updater;
        updater.setFeedLimits({1024 * 1024, std::chrono::milliseconds(600)});
        updater.start();
        updater.checkForUpdates();
        QTRY_COMPARE_WITH_TIMEOUT(alerts.alerts.size(), 1, 5000);
        QCOMPARE(alerts.alerts[0].message, QStringLiteral("Update Error!"));
        QVERIFY(alerts.alerts[0].informative.contains(QStringLiteral("did not arrive")));
        QTRY_VERIFY(updater.canCheckForUpdates());
    }

    void missingFeedConfigurationIsReportedWhenChecking()
    {
        QTemporaryDir empty;
        platform::setResourceFolderForTesting(empty.path());
        AlertRecorder alerts;
        Updater updater;
        updater.start();
        QVERIFY(updater.canCheckForUpdates());
        updater.checkForUpdates();
        QTRY_COMPARE(alerts.alerts.size(), 1);
        QCOMPARE(alerts.alerts[0].message, QStringLiteral("Update Error!"));
        QVERIFY(
            alerts.alerts[0].informative.contains(QStringLiteral("No update feed is configured")));
        platform::setResourceFolderForTesting(QString());
    }

    void theBuildInstallsAFeedLocation()
    {
        // The default resources folder beside the test executables.
        Updater updater;
        updater.start();
        QVERIFY(updater.feedUrl().isValid());
        QCOMPARE(updater.feedUrl().scheme(), QStringLiteral("https"));
    }
};

QTEST_MAIN(TestUpdater)
#include "tst_updater.moc"

#include "model/CommandProcess.h"
#include "model/Resources.h"
#include "support/TestSupport.h"

#include <QCoro/QCoroTask>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using testing::ScriptedJj;

namespace {
CommandResult runIn(const QString &directory, const QStringList &arguments = {})
{
    CommandProcess process(QUrl::fromLocalFile(directory));
    process.arguments = arguments;
    return QCoro::waitFor(process.run());
}
} // namespace

class TestCommandProcess : public QObject {
    Q_OBJECT

private slots:
    void executableComesFromTheResourcesFolder()
    {
        platform::setResourceFolderForTesting(QStringLiteral("/opt/app/share/ostrel"));
        const CommandProcess process(QUrl::fromLocalFile(QStringLiteral("/tmp/my repo")));
        QCOMPARE(process.executableLocation, QStringLiteral("/opt/app/share/ostrel/jj"));
        QCOMPARE(process.workingDirectory, QStringLiteral("/tmp/my repo"));
        QVERIFY(process.arguments.isEmpty());
        platform::setResourceFolderForTesting(QString());

        // Without an override the folder sits beside the executable's folder.
        const CommandProcess bundled(QUrl::fromLocalFile(QStringLiteral("/")));
        QVERIFY(bundled.executableLocation.endsWith(QStringLiteral("/share/ostrel/jj")));
    }

    void outcomeMapping_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("isError");

        QTest::newRow("success drops warnings on stderr")
            << "echo 'Warning: target is empty' >&2; printf 'out\\n'"
            << "out\n"
            << false;
        QTest::newRow("success with no output") << "exit 0"
                                                << "" << false;
        QTest::newRow("failure gives stderr, drops stdout")
            << "echo partial; printf 'Error: no such revision\\n' >&2; exit 1"
            << "Error: no such revision\n"
            << true;
        QTest::newRow("failure with empty stderr") << "exit 3"
                                                   << "" << true;
        QTest::newRow("killed by a signal") << "echo dying >&2; kill -KILL $$"
                                            << "dying\n"
                                            << true;
        QTest::newRow("stderr at the limit still succeeds")
            << "head -c 100000 /dev/zero | tr '\\0' x >&2; printf ok"
            << "ok" << false;
        QTest::newRow("utf-8 output") << "printf 'caf\\303\\251 \\342\\200\\246'"
                                      << "café …" << false;
        // Read as QString::fromUtf8 reads: a leading byte-order mark dropped, bytes that
        // are no UTF-8 replaced, a sequence cut short at the end too.
        QTest::newRow("byte-order mark and invalid bytes") << "printf '\\357\\273\\277a\\377b\\303'"
                                                           << QString::fromUtf8("\xef\xbb\xbf"
                                                                                "a\xff"
                                                                                "b\xc3")
                                                           << false;
    }

    void outcomeMapping()
    {
        QFETCH(QString, script);
        QFETCH(QString, text);
        QFETCH(bool, isError);
        ScriptedJj jj(script);
        const CommandResult result = runIn(jj.folder());
        QCOMPARE(result.text, text);
        QCOMPARE(result.isError, isError);
    }

    void standardErrorOverTheLimitFailsEvenOnSuccess()
    {
        ScriptedJj jj(QStringLiteral("head -c 100001 /dev/zero | tr '\\0' x >&2; printf ok"));
        const CommandResult result = runIn(jj.folder());
        QVERIFY(result.isError);
        QVERIFY(!result.text.isEmpty());
        QVERIFY(!result.text.contains(QStringLiteral("xxxx")));
    }

    void largeStandardOutputArrivesWhole()
    {
        // Larger than any pipe buffer, so it must be read while the child runs.
        ScriptedJj jj(QStringLiteral("head -c 6000000 /dev/zero | tr '\\0' d"));
        const CommandResult result = runIn(jj.folder());
        QVERIFY(!result.isError);
        QCOMPARE(result.text.size(), 6000000);
    }

    void childGetsNoStandardInput()
    {
        ScriptedJj jj(QStringLiteral("cat; echo end"));
        const CommandResult result = runIn(jj.folder());
        QCOMPARE(result.text, QStringLiteral("end\n"));
    }

    void argumentsArriveAsSingleArgumentsAfterTheConfigFile()
    {
        ScriptedJj jj(QStringLiteral("printf '%s\\0' \"$@\""), ScriptedJj::SeesConfigOption);
        const QStringList arguments{QStringLiteral("describe"),
                                    QStringLiteral("-m"),
                                    QStringLiteral("two words\nand a line \"quoted\" $HOME *"),
                                    QStringLiteral("Grüße ✓"),
                                    QString(),
                                    QStringLiteral("-r")};
        const CommandResult result = runIn(jj.folder(), arguments);
        QVERIFY(!result.isError);
        QStringList received = result.text.split(QChar(u'\0'));
        QCOMPARE(received.takeLast(), QString());
        // The pinned display settings come first, from the file beside the jj that runs.
        QCOMPARE(received.mid(0, 2),
                 (QStringList{QStringLiteral("--config-file"), jj.folder() + "/jj-config.toml"}));
        QCOMPARE(received.mid(2), arguments);
    }

    void runsInTheWorkingDirectory()
    {
        ScriptedJj jj(QStringLiteral("pwd"));
        QTemporaryDir dir;
        const CommandResult result = runIn(dir.path());
        QCOMPARE(result.text.trimmed(), QFileInfo(dir.path()).canonicalFilePath());
    }

    void inheritsTheEnvironment()
    {
        qputenv("OSTREL_TEST_MARKER", "inherited value");
        ScriptedJj jj(QStringLiteral("printf '%s' \"$OSTREL_TEST_MARKER\""));
        QCOMPARE(runIn(jj.folder()).text, QStringLiteral("inherited value"));
        qunsetenv("OSTREL_TEST_MARKER");

        // jj is told a width, which it would otherwise ask `tput` for on every log, show
        // and diff; a width the user set stays.
        const QByteArray userWidth = qgetenv("COLUMNS");
        qunsetenv("COLUMNS");
        ScriptedJj width(QStringLiteral("printf '%s' \"$COLUMNS\""));
        QCOMPARE(runIn(width.folder()).text, QStringLiteral("80"));
        qputenv("COLUMNS", "132");
        QCOMPARE(runIn(width.folder()).text, QStringLiteral("132"));
        if (userWidth.isNull())
            qunsetenv("COLUMNS");
        else
            qputenv("COLUMNS", userWidth);
    }

    void startFailures_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("no jj in the resources folder") << 0;
        QTest::newRow("jj not executable") << 1;
        QTest::newRow("working directory missing") << 2;
    }

    void startFailures()
    {
        QFETCH(int, kind);
        ScriptedJj jj(QStringLiteral("echo should not run"));
        QString directory = jj.folder();
        if (kind == 0)
            QFile::remove(jj.jjPath());
        if (kind == 1)
            QFile::setPermissions(jj.jjPath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        if (kind == 2)
            directory = jj.folder() + QStringLiteral("/does-not-exist");
        const CommandResult result = runIn(directory);
        QVERIFY(result.isError);
        QVERIFY(!result.text.isEmpty());
        QVERIFY(!result.text.contains(QStringLiteral("should not run")));
    }

    void runsDoNotBlockTheEventLoopAndProceedIndependently()
    {
        ScriptedJj jj(QStringLiteral("sleep \"$1\"; printf '%s' \"$1\""));
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&] { ++ticks; });
        ticker.start(20);

        QElapsedTimer clock;
        clock.start();
        auto both = [&]() -> QCoro::Task<QStringList> {
            CommandProcess slow(QUrl::fromLocalFile(jj.folder()));
            slow.arguments = {QStringLiteral("0.6")};
            CommandProcess fast(QUrl::fromLocalFile(jj.folder()));
            fast.arguments = {QStringLiteral("0.5")};
            auto slowRun = slow.run();
            auto fastRun = fast.run();
            const CommandResult a = co_await slowRun;
            const CommandResult b = co_await fastRun;
            co_return QStringList{a.text, b.text};
        };
        const QStringList texts = QCoro::waitFor(both());
        QCOMPARE(texts, (QStringList{QStringLiteral("0.6"), QStringLiteral("0.5")}));
        // Run together, not one after the other.
        QVERIFY2(clock.elapsed() < 1050, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(ticks >= 10);
    }
};

QTEST_GUILESS_MAIN(TestCommandProcess)
#include "tst_commandprocess.moc"

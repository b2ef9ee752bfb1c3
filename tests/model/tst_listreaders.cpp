#include "model/Bookmark.h"
#include "model/Remote.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTest>

class TestListReaders : public QObject {
    Q_OBJECT

private slots:
    void bookmarkLines_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("changeId");
        QTest::addColumn<QString>("commitHash");
        QTest::addColumn<QString>("description");

        QTest::newRow("plain") << "main: qpvuntsm 230dd059 Fix the parser"
                               << "main"
                               << "qpvuntsm"
                               << "230dd059"
                               << "Fix the parser";
        QTest::newRow("markers stay in the description")
            << "main: qpvuntsm 230dd059 (empty) (no description set)"
            << "main"
            << "qpvuntsm"
            << "230dd059"
            << "(empty) (no description set)";
        QTest::newRow("three words: no blank after the commit") << "main: qpvuntsm 230dd059"
                                                                << "main"
                                                                << "qpvuntsm"
                                                                << "230dd059"
                                                                << "main: qpvuntsm 230dd059";
        QTest::newRow("inner colons removed") << "a:b: x y z"
                                              << "ab"
                                              << "x"
                                              << "y"
                                              << "a:b: x y z";
        QTest::newRow("two blanks after the colon") << "main:  x y z"
                                                    << "main"
                                                    << ""
                                                    << "x"
                                                    << "y z";
        QTest::newRow("indented remote line") << "  @origin: rlvkpnrz 7a07dbee sync"
                                              << ""
                                              << ""
                                              << "@origin:"
                                              << "  @origin: rlvkpnrz 7a07dbee sync";
        QTest::newRow("empty line") << ""
                                    << ""
                                    << ""
                                    << ""
                                    << "";
        QTest::newRow("no-break space separates words") << "main:\u00a0abc def ghi"
                                                        << "main"
                                                        << "abc"
                                                        << "def"
                                                        << "main:\u00a0abc def ghi";
        // jj's marks and quotes are no part of the fields.
        QTest::newRow("quoted name") << "\"fix(ui): \\\"a\\\"\": ownzpkur db8de158 stays local"
                                     << "fix(ui): \"a\""
                                     << "ownzpkur"
                                     << "db8de158"
                                     << "stays local";
        QTest::newRow("conflicted") << "main (conflicted):"
                                    << "main"
                                    << ""
                                    << ""
                                    << "";
        QTest::newRow("deleted") << "old-topic (deleted)"
                                 << "old-topic"
                                 << ""
                                 << ""
                                 << "";
        QTest::newRow("divergent change") << "main: qpvuntsm?? 230dd059 (conflict) Fix"
                                          << "main"
                                          << "qpvuntsm"
                                          << "230dd059"
                                          << "(conflict) Fix";
    }

    void bookmarkLines()
    {
        QFETCH(QString, line);
        const QList<Bookmark> bookmarks = parseBookmarks(line);
        QCOMPARE(bookmarks.size(), 1);
        const Bookmark &b = bookmarks.first();
        QTEST(b.name, "name");
        QTEST(b.latestChange->changeId(), "changeId");
        QTEST(b.latestChange->commitHash(), "commitHash");
        QTEST(b.latestChange->description(), "description");
        QVERIFY(b.latestChange->author().isEmpty());
        QVERIFY(b.latestChange->timestamp().isEmpty());
        QVERIFY(b.latestChange->changedText().isEmpty());
    }

    void onlyLineFeedsEndLines()
    {
        const QList<Bookmark> b = parseBookmarks(QStringLiteral("a: 1 2 x\r\nb: 3 4 y\u2028z\n"));
        QCOMPARE(b.size(), 3); // The final newline ends an empty line.
        QCOMPARE(b[0].name, QStringLiteral("a"));
        QCOMPARE(b[0].latestChange->description(), QStringLiteral("x\r"));
        QCOMPARE(b[1].name, QStringLiteral("b"));
        QCOMPARE(b[1].latestChange->description(), QStringLiteral("y\u2028z"));
        QCOMPARE(b[2].name, QString());
        for (const QChar separator :
             {QChar(0x0B), QChar(0x0C), QChar(0x85), QChar(0x2028), QChar(0x2029)})
            QCOMPARE(parseRemotes(QStringLiteral("a x") + separator + QStringLiteral("b y")).size(),
                     1);
        QCOMPARE(parseBookmarks(QString()).size(), 1);
    }

    void remoteLines()
    {
        // The address is the rest of the line, blanks included; empty lines are no remotes.
        const QList<Remote> remotes =
            parseRemotes(QStringLiteral("origin /srv/my repo.git\n\nbackup /b\n"));
        QCOMPARE(remotes.size(), 2);
        QCOMPARE(remotes[0].name, QStringLiteral("origin"));
        QCOMPARE(remotes[0].url, QUrl::fromLocalFile(QStringLiteral("/srv/my repo.git")));
        QCOMPARE(remotes[1].name, QStringLiteral("backup"));

        const Remote single = parseRemotes(QStringLiteral("upstream")).first();
        QCOMPARE(single.name, QStringLiteral("upstream"));
        QCOMPARE(single.url, fileUrlFromPath(QString()));

        // Every location becomes a file URL; one with a scheme is a relative path.
        const Remote web = parseRemotes(QStringLiteral("bar http://example.com/repo/foo")).first();
        QVERIFY(web.url.isLocalFile());
        QCOMPARE(web.url.toLocalFile(),
                 QDir::currentPath() + QStringLiteral("/http://example.com/repo/foo"));
    }

    void equalityAndHashing()
    {
        const Remote a{QStringLiteral("origin"), QUrl::fromLocalFile(QStringLiteral("/r"))};
        const Remote b{QStringLiteral("backup"), QUrl::fromLocalFile(QStringLiteral("/r"))};
        const Remote c{QStringLiteral("origin"), QUrl::fromLocalFile(QStringLiteral("/s"))};
        QVERIFY(a == b);
        QCOMPARE(qHash(a), qHash(b));
        QVERIFY(!(a == c));

        Bookmark x{QStringLiteral("main"), std::make_shared<Change>()};
        Bookmark y{QStringLiteral("main"), std::make_shared<Change>()};
        y.latestChange->setChangeId(QStringLiteral("other"));
        QVERIFY(x == y);
        QCOMPARE(qHash(x), qHash(y));
        QVERIFY(!(x == Bookmark{QStringLiteral("dev"), x.latestChange}));
    }

    void persistedForms()
    {
        Bookmark bookmark{QStringLiteral("main"), std::make_shared<Change>()};
        bookmark.latestChange->setChangeId(QStringLiteral("qpvuntsm"));
        const Json bookmarkJson = bookmark.toJson();
        QCOMPARE(bookmarkJson.begin().key(), std::string("name"));
        QCOMPARE(std::next(bookmarkJson.begin()).key(), std::string("latestChange"));
        const Bookmark bookmarkBack = Bookmark::fromJson(Json::parse(bookmarkJson.dump()));
        QCOMPARE(bookmarkBack.name, bookmark.name);
        QCOMPARE(bookmarkBack.latestChange->changeId(), QStringLiteral("qpvuntsm"));

        const Remote remote{QStringLiteral("origin"),
                            QUrl::fromLocalFile(QStringLiteral("/srv/my repo/ü.git"))};
        const Remote remoteBack = Remote::fromJson(Json::parse(remote.toJson().dump()));
        QCOMPARE(remoteBack.name, remote.name);
        QCOMPARE(remoteBack.url, remote.url);
        const Remote empty{QString(), fileUrlFromPath(QString())};
        QCOMPARE(Remote::fromJson(empty.toJson()).url, empty.url);

        for (const char *key : {"name", "latestChange"}) {
            Json broken = bookmarkJson;
            broken.erase(key);
            QVERIFY_THROWS_EXCEPTION(CodingError, Bookmark::fromJson(broken));
        }
        for (const char *key : {"name", "url"}) {
            Json broken = remote.toJson();
            broken.erase(key);
            QVERIFY_THROWS_EXCEPTION(CodingError, Remote::fromJson(broken));
        }
        Json badChange = bookmarkJson;
        badChange["latestChange"].erase("_author");
        QVERIFY_THROWS_EXCEPTION(CodingError, Bookmark::fromJson(badChange));
    }

    void bookmarkSamples_data()
    {
        QTest::addColumn<QString>("file");
        for (const QString &name : testing::sampleNames(QStringLiteral("bookmark-list-")))
            QTest::newRow(qPrintable(name)) << name;
    }

    void bookmarkSamples()
    {
        QFETCH(QString, file);
        const QString output = testing::sample(file);
        const QList<Bookmark> bookmarks = parseBookmarks(output);
        QCOMPARE(bookmarks.size(), output.count(QLatin1Char('\n')) + 1);
        for (const Bookmark &b : bookmarks) {
            QVERIFY(!b.name.contains(QLatin1Char(':')));
            QVERIFY(!b.latestChange->changeId().startsWith(u'('));
            // A line "name: change commit description" keeps exactly the description.
            if (!b.name.isEmpty() && !b.latestChange->commitHash().isEmpty()) {
                const QString line = b.name + QStringLiteral(": ") + b.latestChange->changeId() +
                                     u' ' + b.latestChange->commitHash() + u' ' +
                                     b.latestChange->description();
                QVERIFY2(output.contains(line) || output.contains(b.latestChange->description()),
                         qPrintable(line));
            }
        }
    }

    void bookmarkSampleFields()
    {
        const QList<Bookmark> b =
            parseBookmarks(testing::sample(QStringLiteral("bookmark-list-03.txt")));
        QCOMPARE(b[0].name, QStringLiteral("absent-tracked"));
        QCOMPARE(b[0].latestChange->changeId(), QStringLiteral("wqnwkozp"));
        QCOMPARE(b[0].latestChange->commitHash(), QStringLiteral("0353dd35"));
        QCOMPARE(b[0].latestChange->description(), QStringLiteral("(empty) local-only"));
        QCOMPARE(b[1].name, QString()); // "  @origin (not created yet)"
        QCOMPARE(b[3].name, QStringLiteral("remote-delete"));
        QCOMPARE(b[3].latestChange->changeId(), QString());
        QCOMPARE(b[9].name, QStringLiteral("remote-untrack@origin"));
        QCOMPARE(b[9].latestChange->description(), QStringLiteral("(empty) remote-untrack"));
    }

    void remoteSamples_data()
    {
        QTest::addColumn<QString>("file");
        for (const QString &name : testing::sampleNames(QStringLiteral("remote-list-")))
            QTest::newRow(qPrintable(name)) << name;
    }

    void remoteSamples()
    {
        QFETCH(QString, file);
        const QString output = testing::sample(file);
        const QList<Remote> remotes = parseRemotes(output);
        const QStringList lines = output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(remotes.size(), lines.size());
        for (qsizetype i = 0; i < lines.size(); ++i) {
            QCOMPARE(remotes[i].name, lines[i].section(QLatin1Char(' '), 0, 0));
            QCOMPARE(remotes[i].url, fileUrlFromPath(lines[i].section(QLatin1Char(' '), 1)));
        }
    }

    void readersNeverFailOnArbitraryText()
    {
        // Every separator of both sets, colons, and bytes that are not valid UTF-8.
        const QList<QChar> alphabet{u'a',          u':',          u' ',          u'\t',
                                    u'\n',         u'\r',         QChar(0x0B),   QChar(0x0C),
                                    QChar(0x85),   QChar(0xA0),   QChar(0x1680), QChar(0x2000),
                                    QChar(0x200A), QChar(0x2028), QChar(0x2029), QChar(0x202F),
                                    QChar(0x205F), QChar(0x3000), u'@',          u'(',
                                    QChar(0xD800), QChar(0xFFFD), u'/'};
        QRandomGenerator random(20261208);
        for (int round = 0; round < 3000; ++round) {
            QString input;
            if (round % 3 == 0) {
                QByteArray bytes(random.bounded(200), Qt::Uninitialized);
                for (char &b : bytes)
                    b = static_cast<char>(random.bounded(256));
                input = QString::fromUtf8(bytes);
            } else {
                const int length = random.bounded(200);
                for (int i = 0; i < length; ++i)
                    input += alphabet[random.bounded(alphabet.size())];
            }
            const qsizetype lines = parseBookmarks(input).size();
            QCOMPARE(lines, input.count(u'\n') + 1);
            QCOMPARE(parseRemotes(input).size(), input.split(u'\n', Qt::SkipEmptyParts).size());
        }
    }
};

QTEST_GUILESS_MAIN(TestListReaders)
#include "tst_listreaders.moc"

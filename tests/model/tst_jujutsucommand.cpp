#include "model/JujutsuCommand.h"

#include <QTest>

#include "support/TestSupport.h"

class TestJujutsuCommand : public QObject {
    Q_OBJECT

private slots:
    void argumentVectors_data()
    {
        QTest::addColumn<QStringList>("actual");
        QTest::addColumn<QStringList>("expected");
        using C = JujutsuCommand;
        const Bookmark main{QStringLiteral("main"), testing::makeChange(QStringLiteral("x"))};

        QTest::newRow("createRepo")
            << C::createRepo(QUrl::fromLocalFile(QStringLiteral("/Users/u/work/demo"))).arguments()
            << testing::argv({"git", "init", "--colocate", "demo"});
        QTest::newRow("createRepo trailing slash")
            << C::createRepo(QUrl::fromLocalFile(QStringLiteral("/w/my repo/"))).arguments()
            << testing::argv({"git", "init", "--colocate", "my repo"});
        QTest::newRow("logBookmark")
            << C::logBookmark(main).arguments()
            << testing::argv({"log", "--no-graph", "-r", "ancestors(main)"});
        // A name that is no plain symbol is quoted where jj reads it as a revset.
        QTest::newRow("logBookmark with revset syntax")
            << C::logBookmark(Bookmark{QStringLiteral("a|b)\""), testing::makeChange(QString())})
                   .arguments()
            << testing::argv({"log", "--no-graph", "-r", "ancestors(\"a|b)\\\"\")"});
        QTest::newRow("logBookmark of a plain symbol")
            << C::logBookmark(
                   Bookmark{QStringLiteral("x/y-z.1+日本"), testing::makeChange(QString())})
                   .arguments()
            << testing::argv({"log", "--no-graph", "-r", "ancestors(x/y-z.1+日本)"});
        QTest::newRow("show") << C::show(QStringLiteral("qpvuntsm")).arguments()
                              << testing::argv({"show", "qpvuntsm"});
        QTest::newRow("describe")
            << C::describe(QStringLiteral("two\nlines"), QStringLiteral("abc")).arguments()
            << testing::argv({"describe", "-m", "two\nlines", "-r", "abc"});
        QTest::newRow("diff") << C::diff(QStringLiteral("abc")).arguments()
                              << testing::argv({"diff", "-r", "abc", "--git"});
        QTest::newRow("commit") << C::commit(QStringLiteral("  spaced  ")).arguments()
                                << testing::argv({"commit", "-m", "  spaced  "});
        QTest::newRow("empty commit message")
            << C::commit(QString()).arguments() << testing::argv({"commit", "-m", ""});
        QTest::newRow("abandon") << C::abandon({testing::makeChange(QStringLiteral("a")),
                                                testing::makeChange(QStringLiteral("b"))})
                                        .arguments()
                                 << testing::argv({"abandon", "-r", "a", "b"});
        QTest::newRow("abandon empty")
            << C::abandon({}).arguments() << testing::argv({"abandon", "-r"});
        QTest::newRow("merge") << C::merge({testing::makeChange(QStringLiteral("a")),
                                            testing::makeChange(QStringLiteral("b"))})
                                      .arguments()
                               << testing::argv({"new", "-r", "a", "b", "-m", "Merge"});
        QTest::newRow("merge empty")
            << C::merge({}).arguments() << testing::argv({"new", "-r", "-m", "Merge"});
        QTest::newRow("merge of one id") << C::merge({testing::makeChange(QStringLiteral("a")),
                                                      testing::makeChange(QStringLiteral("a"))})
                                                .arguments()
                                         << testing::argv({"new", "-r", "a", "-m", "Merge"});
        QTest::newRow("rebase") << C::rebase({testing::makeChange(QStringLiteral("a")),
                                              testing::makeChange(QStringLiteral("b"))},
                                             testing::makeChange(QStringLiteral("t")))
                                       .arguments()
                                << testing::argv(
                                       {"rebase", "-r", "a", "-r", "b", "--insert-after", "t"});
        QTest::newRow("rebase empty")
            << C::rebase({}, testing::makeChange(QStringLiteral("t"))).arguments()
            << testing::argv({"rebase", "--insert-after", "t"});
        QTest::newRow("addBookmark") << C::addBookmark(QStringLiteral("feature")).arguments()
                                     << testing::argv({"bookmark", "create", "feature"});
        QTest::newRow("setBookmark")
            << C::setBookmark(QStringLiteral("main"), QStringLiteral("abc")).arguments()
            << testing::argv({"bookmark", "set", "main", "--allow-backwards", "-r", "abc"});
        QTest::newRow("trackBookmark")
            << C::trackBookmark(QStringLiteral("main"), QStringLiteral("origin")).arguments()
            << testing::argv({"bookmark", "track", "main@origin"});
        QTest::newRow("addRemote")
            << C::addRemote(QStringLiteral("origin"), QStringLiteral("file:///srv/r.git"))
                   .arguments()
            << testing::argv({"git", "remote", "add", "origin", "file:///srv/r.git"});
        QTest::newRow("push")
            << C::push(QStringLiteral("origin"), QStringLiteral("main")).arguments()
            << testing::argv({"git", "push", "--remote", "origin", "-b", "main"});
        QTest::newRow("clone")
            << C::clone(QStringLiteral(" ../rel src "), QStringLiteral("/tmp/dé st")).arguments()
            << testing::argv({"git", "clone", " ../rel src ", "/tmp/dé st"});
        // Texts that begin with "-" reach jj as texts, not as options.
        QTest::newRow("commit message like an option")
            << C::commit(QStringLiteral("- item")).arguments()
            << testing::argv({"commit", "--message=- item"});
        QTest::newRow("description like an option")
            << C::describe(QStringLiteral("-x"), QStringLiteral("abc")).arguments()
            << testing::argv({"describe", "--message=-x", "-r", "abc"});
        QTest::newRow("names like options")
            << C::addRemote(QStringLiteral("-o"), QStringLiteral("/r")).arguments()
            << testing::argv({"git", "remote", "add", "--", "-o", "/r"});
        QTest::newRow("bookmark like an option")
            << C::setBookmark(QStringLiteral("-b"), QStringLiteral("abc")).arguments()
            << testing::argv({"bookmark", "set", "\"-b\"", "--allow-backwards", "-r", "abc"});
        QTest::newRow("push names like options")
            << C::push(QStringLiteral("-o"), QStringLiteral("-b")).arguments()
            << testing::argv({"git", "push", "--remote=-o", "--bookmark=-b"});
        QTest::newRow("clone source like an option")
            << C::clone(QStringLiteral("-src"), QStringLiteral("/d")).arguments()
            << testing::argv({"git", "clone", "--", "-src", "/d"});
        QTest::newRow("log") << C::log().arguments() << testing::argv({"log", "--no-graph"});
        QTest::newRow("logAllChanges")
            << C::logAllChanges().arguments() << testing::argv({"log", "--no-graph", "-r", "::"});
        QTest::newRow("logWorkingCopy")
            << C::logWorkingCopy().arguments() << testing::argv({"log", "--no-graph", "-r", "@"});
        QTest::newRow("logMyChanges") << C::logMyChanges().arguments()
                                      << testing::argv({"log", "--no-graph", "-r", "mine()"});
        QTest::newRow("addChange") << C::addChange().arguments() << testing::argv({"new"});
        QTest::newRow("listBookmarks")
            << C::listBookmarks().arguments() << testing::argv({"bookmark", "list"});
        QTest::newRow("listRemotes")
            << C::listRemotes().arguments() << testing::argv({"git", "remote", "list"});
        QTest::newRow("pull") << C::pull().arguments() << testing::argv({"git", "fetch"});
    }

    void argumentVectors()
    {
        QFETCH(QStringList, actual);
        QFETCH(QStringList, expected);
        QCOMPARE(actual, expected);
    }

    void changeIdsAreReadWhenTheArgumentsAreMade()
    {
        const ChangePtr target = testing::makeChange(QStringLiteral("old"));
        const JujutsuCommand command =
            JujutsuCommand::rebase({testing::makeChange(QStringLiteral("a"))}, target);
        target->setChangeId(QStringLiteral("new"));
        QCOMPARE(command.arguments().last(), QStringLiteral("new"));
    }

    void setsAreWalkedInTheirOwnOrder()
    {
        const ChangeSet set{testing::makeChange(QStringLiteral("z")),
                            testing::makeChange(QStringLiteral("a")),
                            testing::makeChange(QStringLiteral("m"))};
        QCOMPARE(JujutsuCommand::abandon(set).arguments(),
                 testing::argv({"abandon", "-r", "z", "a", "m"}));
    }
};

QTEST_GUILESS_MAIN(TestJujutsuCommand)
#include "tst_jujutsucommand.moc"

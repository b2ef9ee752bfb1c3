#include "model/JujutsuCommand.h"

#include <QTest>

namespace {
ChangePtr change(const QString &id)
{
    auto c = std::make_shared<Change>();
    c->setChangeId(id);
    return c;
}
QStringList args(std::initializer_list<const char *> list)
{
    QStringList out;
    for (const char *s : list)
        out.append(QString::fromUtf8(s));
    return out;
}
} // namespace

class TestJujutsuCommand : public QObject {
    Q_OBJECT

private slots:
    void argumentVectors_data()
    {
        QTest::addColumn<QStringList>("actual");
        QTest::addColumn<QStringList>("expected");
        using C = JujutsuCommand;
        const Bookmark main{QStringLiteral("main"), change(QStringLiteral("x"))};

        QTest::newRow("createRepo") << C::createRepo(QUrl::fromLocalFile(QStringLiteral("/Users/u/work/demo"))).arguments()
                                    << args({"git", "init", "--colocate", "demo"});
        QTest::newRow("createRepo trailing slash")
            << C::createRepo(QUrl::fromLocalFile(QStringLiteral("/w/my repo/"))).arguments()
            << args({"git", "init", "--colocate", "my repo"});
        QTest::newRow("logBookmark") << C::logBookmark(main).arguments()
                                     << args({"log", "--no-graph", "-r", "ancestors(main)"});
        QTest::newRow("logBookmark with revset syntax")
            << C::logBookmark(Bookmark{QStringLiteral("a|b)"), change(QString())}).arguments()
            << args({"log", "--no-graph", "-r", "ancestors(a|b))"});
        QTest::newRow("show") << C::show(QStringLiteral("qpvuntsm")).arguments()
                              << args({"show", "qpvuntsm"});
        QTest::newRow("describe") << C::describe(QStringLiteral("two\nlines"), QStringLiteral("abc")).arguments()
                                  << args({"describe", "-m", "two\nlines", "-r", "abc"});
        QTest::newRow("diff") << C::diff(QStringLiteral("abc")).arguments()
                              << args({"diff", "-r", "abc", "--git"});
        QTest::newRow("commit") << C::commit(QStringLiteral("  spaced  ")).arguments()
                                << args({"commit", "-m", "  spaced  "});
        QTest::newRow("empty commit message") << C::commit(QString()).arguments()
                                              << args({"commit", "-m", ""});
        QTest::newRow("abandon") << C::abandon({change(QStringLiteral("a")), change(QStringLiteral("b"))}).arguments()
                                 << args({"abandon", "-r", "a", "b"});
        QTest::newRow("abandon empty") << C::abandon({}).arguments() << args({"abandon", "-r"});
        QTest::newRow("merge") << C::merge({change(QStringLiteral("a")), change(QStringLiteral("b"))}).arguments()
                               << args({"new", "-r", "a", "b", "-m", "Merge"});
        QTest::newRow("merge empty") << C::merge({}).arguments()
                                     << args({"new", "-r", "-m", "Merge"});
        QTest::newRow("merge of one id") << C::merge({change(QStringLiteral("a")), change(QStringLiteral("a"))}).arguments()
                                         << args({"new", "-r", "a", "-m", "Merge"});
        QTest::newRow("rebase") << C::rebase({change(QStringLiteral("a")), change(QStringLiteral("b"))}, change(QStringLiteral("t"))).arguments()
                                << args({"rebase", "-r", "a", "-r", "b", "--insert-after", "t"});
        QTest::newRow("rebase empty") << C::rebase({}, change(QStringLiteral("t"))).arguments()
                                      << args({"rebase", "--insert-after", "t"});
        QTest::newRow("addBookmark") << C::addBookmark(QStringLiteral("feature")).arguments()
                                     << args({"bookmark", "create", "feature"});
        QTest::newRow("setBookmark") << C::setBookmark(QStringLiteral("main"), QStringLiteral("abc")).arguments()
                                     << args({"bookmark", "set", "main", "--allow-backwards", "-r", "abc"});
        QTest::newRow("trackBookmark") << C::trackBookmark(QStringLiteral("main"), QStringLiteral("origin")).arguments()
                                       << args({"bookmark", "track", "main@origin"});
        QTest::newRow("addRemote") << C::addRemote(QStringLiteral("origin"), QStringLiteral("file:///srv/r.git")).arguments()
                                   << args({"git", "remote", "add", "origin", "file:///srv/r.git"});
        QTest::newRow("push") << C::push(QStringLiteral("origin"), QStringLiteral("main")).arguments()
                              << args({"git", "push", "--remote", "origin", "-b", "main"});
        QTest::newRow("clone") << C::clone(QStringLiteral(" ../rel src "), QStringLiteral("/tmp/dé st")).arguments()
                               << args({"git", "clone", " ../rel src ", "/tmp/dé st"});
        QTest::newRow("log") << C::log().arguments() << args({"log", "--no-graph"});
        QTest::newRow("logAllChanges") << C::logAllChanges().arguments()
                                       << args({"log", "--no-graph", "-r", "::"});
        QTest::newRow("logWorkingCopy") << C::logWorkingCopy().arguments()
                                        << args({"log", "--no-graph", "-r", "@"});
        QTest::newRow("logMyChanges") << C::logMyChanges().arguments()
                                      << args({"log", "--no-graph", "-r", "mine()"});
        QTest::newRow("addChange") << C::addChange().arguments() << args({"new"});
        QTest::newRow("listBookmarks") << C::listBookmarks().arguments()
                                       << args({"bookmark", "list"});
        QTest::newRow("listRemotes") << C::listRemotes().arguments()
                                     << args({"git", "remote", "list"});
        QTest::newRow("pull") << C::pull().arguments() << args({"git", "fetch"});
    }

    void argumentVectors()
    {
        QFETCH(QStringList, actual);
        QFETCH(QStringList, expected);
        QCOMPARE(actual, expected);
    }

    void changeIdsAreReadWhenTheArgumentsAreMade()
    {
        const ChangePtr target = change(QStringLiteral("old"));
        const JujutsuCommand command = JujutsuCommand::rebase({change(QStringLiteral("a"))}, target);
        target->setChangeId(QStringLiteral("new"));
        QCOMPARE(command.arguments().last(), QStringLiteral("new"));
    }

    void setsAreWalkedInTheirOwnOrder()
    {
        const ChangeSet set{change(QStringLiteral("z")), change(QStringLiteral("a")),
                            change(QStringLiteral("m"))};
        QCOMPARE(JujutsuCommand::abandon(set).arguments(), args({"abandon", "-r", "z", "a", "m"}));
    }
};

QTEST_GUILESS_MAIN(TestJujutsuCommand)
#include "tst_jujutsucommand.moc"

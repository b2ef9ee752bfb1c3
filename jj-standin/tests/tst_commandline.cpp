// The accepted command lines, the repository lookup, and `git init --colocate`.

#include "JjSandbox.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void rejectsOtherCommandLines_data();
    void rejectsOtherCommandLines();
    void outsideARepository_data();
    void outsideARepository();
    void findsTheRepositoryFromASubdirectory();
    void initMakesAColocatedRepository();
    void initRefusesAnExistingRepository();
    void initOverAnExistingGitRepository();
};

void TestCommandLine::rejectsOtherCommandLines_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("nothing") << QStringList{};
    QTest::newRow("unknown command") << QStringList{"status"};
    QTest::newRow("log with graph") << QStringList{"log"};
    QTest::newRow("log without value") << QStringList{"log", "--no-graph", "-r"};
    QTest::newRow("log other flag") << QStringList{"log", "-r", "::"};
    QTest::newRow("show nothing") << QStringList{"show"};
    QTest::newRow("describe without -r") << QStringList{"describe", "-m", "x"};
    QTest::newRow("diff without --git") << QStringList{"diff", "-r", "@"};
    QTest::newRow("commit without message") << QStringList{"commit"};
    QTest::newRow("abandon empty set") << QStringList{"abandon", "-r"};
    QTest::newRow("merge empty set") << QStringList{"new", "-r", "-m", "Merge"};
    QTest::newRow("rebase empty set") << QStringList{"rebase", "--insert-after", "@"};
    QTest::newRow("rebase odd") << QStringList{"rebase",         "-r", "@", "-x", "@-",
                                               "--insert-after", "@"};
    QTest::newRow("set without flag") << QStringList{"bookmark", "set", "b", "-r", "@"};
    QTest::newRow("track without remote") << QStringList{"bookmark", "track", "main"};
    QTest::newRow("push other order")
        << QStringList{"git", "push", "-b", "main", "--remote", "origin"};
    QTest::newRow("init without colocate") << QStringList{"git", "init", "repo2"};
    QTest::newRow("message with newline") << QStringList{"describe", "-m", "a\nb"};
}

void TestCommandLine::rejectsOtherCommandLines()
{
    QFETCH(QStringList, args);
    JjSandbox box;
    QString repo = box.initRepo();
    QByteArray stateBefore = box.read(repo + "/.jj/repo/state");
    RunResult r = box.jj(args, repo);
    QCOMPARE(r.exitCode, 2);
    QVERIFY(r.out.isEmpty());
    QCOMPARE(r.errLines().size(), 1);
    QVERIFY2(r.err.startsWith("error: "), r.err.constData());
    QCOMPARE(box.read(repo + "/.jj/repo/state"), stateBefore);
}

void TestCommandLine::outsideARepository_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("log") << QStringList{"log", "--no-graph"};
    QTest::newRow("show") << QStringList{"show", "@"};
    QTest::newRow("new") << QStringList{"new"};
    QTest::newRow("bookmark list") << QStringList{"bookmark", "list"};
    QTest::newRow("remote list") << QStringList{"git", "remote", "list"};
    QTest::newRow("fetch") << QStringList{"git", "fetch"};
}

void TestCommandLine::outsideARepository()
{
    QFETCH(QStringList, args);
    JjSandbox box;
    QDir(box.root()).mkpath("plain/dir");
    RunResult r = box.jj(args, "plain/dir");
    QCOMPARE(r.exitCode, 1);
    QVERIFY(r.out.isEmpty());
    QCOMPARE(r.err, QByteArray("Error: There is no jj repo in \".\"\n"));
}

void TestCommandLine::findsTheRepositoryFromASubdirectory()
{
    JjSandbox box;
    QString repo = box.initRepo();
    box.write(repo + "/sub/dir/file.txt", "content\n");
    RunResult log = box.jj({"log", "--no-graph", "-r", "@"}, repo + "/sub/dir");
    QCOMPARE(log.exitCode, 0);
    QCOMPARE(log.outLines().value(1), QString("(no description set)"));
    // git's patch format names files from the repository root, show from where it runs.
    RunResult diff = box.jj({"diff", "-r", "@", "--git"}, repo + "/sub/dir");
    QVERIFY(diff.out.startsWith("diff --git a/sub/dir/file.txt b/sub/dir/file.txt\n"));
    RunResult show = box.jj({"show", "@"}, repo + "/sub");
    QVERIFY2(show.out.contains("\nAdded regular file dir/file.txt:\n        1: content\n"),
             show.out.constData());
}

void TestCommandLine::initMakesAColocatedRepository()
{
    JjSandbox box;
    RunResult r = box.jj({"git", "init", "--colocate", "repo"}, box.root());
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.isEmpty());
    QCOMPARE(r.err, QByteArray("Initialized repo in \"repo\"\n"));
    QString repo = box.path("repo");
    QVERIFY(QFileInfo(repo + "/.jj").isDir());
    QVERIFY(QFileInfo(repo + "/.git").isDir());

    RunResult log = box.jj({"log", "--no-graph"}, repo);
    QStringList lines = log.outLines();
    QCOMPARE(lines.size(), 3);
    QVERIFY2(QRegularExpression(kLogFieldsPattern).match(lines[0]).hasMatch(),
             qPrintable(lines[0]));
    QCOMPARE(lines[1], QString("(empty) (no description set)"));
    QCOMPARE(lines[2], QString("zzzzzzzz root() 00000000"));

    // The working-copy change is a real git commit: no parents, the empty tree.
    QString wc = box.commitId(repo, "@");
    QCOMPARE(box.git({"cat-file", "-t", wc}, repo), QByteArray("commit\n"));
    QByteArray raw = box.git({"cat-file", "-p", wc}, repo);
    QVERIFY(raw.startsWith("tree 4b825dc642cb6eb9a060e54bf8d69288fbee4904\nauthor Test User "
                           "<test.user@example.com> "));
    QVERIFY(!raw.contains("\nparent "));

    // A name with folders in it makes them.
    RunResult nested = box.jj({"git", "init", "--colocate", "a/b/deep"}, box.root());
    QCOMPARE(nested.exitCode, 0);
    QCOMPARE(nested.err, QByteArray("Initialized repo in \"a/b/deep\"\n"));
    QVERIFY(QFileInfo(box.path("a/b/deep/.jj")).isDir());
}

void TestCommandLine::initRefusesAnExistingRepository()
{
    JjSandbox box;
    QString repo = box.initRepo();
    QByteArray state = box.read(repo + "/.jj/repo/state");
    RunResult r = box.jj({"git", "init", "--colocate", "repo"}, box.root());
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.err, QByteArray("Error: The target repo already exists\n"));
    QCOMPARE(box.read(repo + "/.jj/repo/state"), state);
}

void TestCommandLine::initOverAnExistingGitRepository()
{
    JjSandbox box;
    QDir(box.root()).mkpath("existing");
    QString repo = box.path("existing");
    box.git({"init", "-q", "-b", "trunk"}, repo);
    box.write(repo + "/a.txt", "from git\n");
    box.git({"add", "a.txt"}, repo);
    box.git({"commit", "-q", "-m", "made by git"}, repo);
    box.write(repo + "/a.txt", "edited\n");

    RunResult r = box.jj({"git", "init", "--colocate", "existing"}, box.root());
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.err, QByteArray("Done importing changes from the underlying Git repo.\nInitialized "
                               "repo in \"existing\"\n"));
    QCOMPARE(box.descriptions(repo), QStringList({"(no description set)", "made by git"}));
    QVERIFY(
        box.jj({"log", "--no-graph", "-r", "@-"}, repo).outLines().value(0).contains(" trunk "));
    // The uncommitted edit is the working-copy change's content.
    QVERIFY(box.jj({"diff", "-r", "@", "--git"}, repo).out.contains("-from git\n+edited\n"));
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"

// Snapshots, concurrent runs and commands killed half way.

#include "JjSandbox.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QSet>
#include <QTest>

namespace {

// Modification times of everything under .jj and .git.
QMap<QString, qint64> stamps(const QString &repo)
{
    QMap<QString, qint64> out;
    for (const char *dir : {"/.jj", "/.git"}) {
        QDirIterator it(repo + dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            it.next();
            out.insert(it.filePath(), it.fileInfo().lastModified().toMSecsSinceEpoch());
        }
    }
    return out;
}

QStringList treeFiles(const JjSandbox &box, const QString &repo, const QString &commit)
{
    return QString::fromUtf8(box.git({"ls-tree", "-r", "--name-only", commit}, repo))
        .split('\n', Qt::SkipEmptyParts);
}

} // namespace

class TestRobustness : public QObject {
    Q_OBJECT

private slots:
    void snapshotHonoursIgnoreRules();
    void readOnlyCommandsWriteNothing();
    void concurrentCommandsStayConsistent();
    void killedCommandLeavesARepositoryEveryCommandReads_data();
    void killedCommandLeavesARepositoryEveryCommandReads();
    void killedInitLeavesNoRepository();
};

void TestRobustness::snapshotHonoursIgnoreRules()
{
    JjSandbox box;
    QString repo = box.initRepo();
    box.write(repo + "/.gitignore", "*.log\nbuild/\n");
    box.write(repo + "/a.txt", "a\n");
    box.write(repo + "/x.log", "noise\n");
    box.write(repo + "/build/out.o", "binary\n");
    box.write(repo + "/late.txt", "1\n");
    box.jj({"log", "--no-graph"}, repo);
    QString wc = box.commitId(repo, "@");
    QCOMPARE(treeFiles(box, repo, wc), QStringList({".gitignore", "a.txt", "late.txt"}));

    // A tracked file stays tracked when it becomes ignored.
    box.write(repo + "/.gitignore", "*.log\nbuild/\nlate.txt\n");
    box.write(repo + "/late.txt", "2\n");
    QVERIFY(box.jj({"diff", "-r", "@", "--git"}, repo)
                .out.contains("+++ b/late.txt\n@@ -0,0 +1,1 @@\n+2\n"));
    // Deleting a file records its removal.
    QFile::remove(repo + "/a.txt");
    QCOMPARE(treeFiles(box, repo, box.commitId(repo, "@")),
             QStringList({".gitignore", "late.txt"}));

    // A repository inside the working copy: its files are content, its .git is not.
    QDir(repo).mkpath("inner");
    box.git({"init", "-q"}, repo + "/inner");
    box.write(repo + "/inner/x.txt", "x\n");
    QVERIFY(QFile::link("late.txt", repo + "/link"));
    RunResult diff = box.jj({"diff", "-r", "@", "--git"}, repo);
    QCOMPARE(diff.exitCode, 0);
    QCOMPARE(treeFiles(box, repo, box.commitId(repo, "@")),
             QStringList({".gitignore", "inner/x.txt", "late.txt", "link"}));
    QVERIFY(diff.out.contains("diff --git a/link b/link\nnew file mode 120000\n"));
}

void TestRobustness::readOnlyCommandsWriteNothing()
{
    JjSandbox box;
    QString repo = box.initRepo();
    box.write(repo + "/a.txt", "a\n");
    box.jj({"commit", "-m", "one"}, repo);
    box.jj({"bookmark", "create", "b"}, repo);
    box.jj({"git", "remote", "add", "origin", "http://example.com/x"}, repo);
    QByteArray log = box.jj({"log", "--no-graph", "-r", "::"}, repo).out;
    QTest::qWait(1100); // let any rewrite show up as a newer time
    auto before = stamps(repo);
    for (int round = 0; round < 2; ++round) {
        for (const QStringList &args :
             {QStringList{"log", "--no-graph"}, QStringList{"log", "--no-graph", "-r", "::"},
              QStringList{"show", "@"}, QStringList{"diff", "-r", "@-", "--git"},
              QStringList{"bookmark", "list"}, QStringList{"git", "remote", "list"}})
            QCOMPARE(box.jj(args, repo).exitCode, 0);
    }
    QCOMPARE(stamps(repo), before);
    QCOMPARE(box.jj({"log", "--no-graph", "-r", "::"}, repo).out, log);
}

void TestRobustness::concurrentCommandsStayConsistent()
{
    JjSandbox box;
    QString repo = box.initRepo();
    box.write(repo + "/a.txt", "a\n");
    box.jj({"commit", "-m", "base"}, repo);
    box.write(repo + "/edited.txt", "being edited\n");

    const QList<QStringList> kinds{{"log", "--no-graph", "-r", "::"},
                                   {"show", "@"},
                                   {"diff", "-r", "@", "--git"},
                                   {"bookmark", "list"},
                                   {"git", "remote", "list"},
                                   {"new"},
                                   {"log", "--no-graph"}};
    QList<QProcess *> running;
    for (int round = 0; round < 5; ++round)
        for (const QStringList &args : kinds) {
            auto *p = new QProcess(this);
            p->setProcessEnvironment(box.env);
            p->setWorkingDirectory(repo);
            p->start(QStringLiteral(JJ_STANDIN_EXECUTABLE), args);
            running << p;
        }
    for (QProcess *p : running) {
        QVERIFY(p->waitForFinished(120000));
        QCOMPARE(p->exitStatus(), QProcess::NormalExit);
        QVERIFY2(p->exitCode() == 0, p->readAllStandardError().constData());
        delete p;
    }
    // Five `new`s on a line above "base", whose content the first snapshot took.
    QStringList descriptions = box.descriptions(repo);
    QCOMPARE(descriptions.size(), 7);
    QCOMPARE(descriptions.last(), QString("base"));
    QCOMPARE(descriptions.count("(empty) (no description set)"), 5);
    QCOMPARE(descriptions.value(5), QString("(no description set)"));
    QStringList lines = box.jj({"log", "--no-graph", "-r", "::"}, repo).outLines();
    QSet<QString> ids;
    for (int i = 0; i + 1 < lines.size(); i += 2)
        ids.insert(lines[i].section(' ', 0, 0));
    QCOMPARE(ids.size(), 7);
}

void TestRobustness::killedCommandLeavesARepositoryEveryCommandReads_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("point");
    for (const char *command : {"abandon", "merge", "snapshot", "commit"})
        for (const char *point : {"before-index", "before-state", "before-checkout", "mid-checkout",
                                  "before-git-export"})
            QTest::addRow("%s at %s", command, point) << QString(command) << QString(point);
}

void TestRobustness::killedCommandLeavesARepositoryEveryCommandReads()
{
    QFETCH(QString, command);
    QFETCH(QString, point);
    JjSandbox box;
    QString repo = box.initRepo();
    for (const char *f : {"one.txt", "two.txt", "three.txt"})
        box.write(repo + "/" + f, QByteArray(f) + "\n");
    box.jj({"commit", "-m", "three files"}, repo);
    QString threeFiles = box.changeId(repo, "@-");
    box.jj({"new", "-r", "root()", "-m", "other side"}, repo);
    box.write(repo + "/side.txt", "side\n");
    box.jj({"new"}, repo);
    box.write(repo + "/edit.txt", "unsaved edit\n");
    // Only the snapshot row leaves the edit for the killed command to record.
    if (command != "snapshot")
        box.jj({"log", "--no-graph"}, repo);

    QStringList args;
    if (command == "abandon")
        args = QStringList{"abandon", "-r", "@-"}; // removes side.txt from the working copy
    else if (command == "merge")
        args = QStringList{"new", "-r", threeFiles, "@-", "-m", "Merge"}; // writes three files
    else if (command == "snapshot")
        args = QStringList{"log", "--no-graph"};
    else
        args = QStringList{"commit", "-m", "done"};
    QProcessEnvironment env = box.env;
    env.insert("JJ_STANDIN_KILL_AT", point);
    RunResult killed = box.jj(args, repo, env);
    bool reachable = point != "mid-checkout" || command == "abandon" || command == "merge";
    QCOMPARE(killed.crashed, reachable);

    // Whatever happened, every command reads the repository...
    for (const QStringList &read :
         {QStringList{"log", "--no-graph", "-r", "::"}, QStringList{"log", "--no-graph"},
          QStringList{"show", "@"}, QStringList{"diff", "-r", "@", "--git"},
          QStringList{"bookmark", "list"}, QStringList{"git", "remote", "list"}}) {
        RunResult r = box.jj(read, repo);
        QVERIFY2(r.exitCode == 0, qPrintable(read.join(' ') + ": " + QString::fromUtf8(r.err)));
    }
    // ...the unsaved edit was neither lost nor recorded twice...
    int addingEdit = 0;
    for (const QString &line : box.jj({"log", "--no-graph", "-r", "::"}, repo).outLines())
        if (!line.contains(" root() ") && line.contains('@'))
            addingEdit += box.jj({"diff", "-r", line.section(' ', 0, 0), "--git"}, repo)
                              .out.contains("diff --git a/edit.txt b/edit.txt\nnew file mode");
    QCOMPARE(addingEdit, 1);
    // ...and the files on disk are exactly @'s tree: nothing half checked out.
    QString wc = box.commitId(repo, "@");
    QStringList onDisk;
    QDirIterator it(repo, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QString path = it.next().mid(repo.size() + 1);
        if (!path.startsWith(".jj/") && !path.startsWith(".git/"))
            onDisk << path;
    }
    onDisk.sort();
    QCOMPARE(onDisk, treeFiles(box, repo, wc));
    // And the repository still works for writing.
    QCOMPARE(box.jj({"new"}, repo).exitCode, 0);
}

void TestRobustness::killedInitLeavesNoRepository()
{
    JjSandbox box;
    QProcessEnvironment env = box.env;
    env.insert("JJ_STANDIN_KILL_AT", "before-publish");
    for (const QStringList &args :
         {QStringList{"git", "init", "--colocate", "repo"},
          QStringList{"git", "clone", box.bareRemote("remote.git"), box.path("clone")}}) {
        RunResult killed = box.jj(args, box.root(), env);
        QVERIFY(killed.crashed);
    }
    // No half-made repository: nothing is found there, and init simply works again.
    RunResult log = box.jj({"log", "--no-graph"}, "repo");
    QCOMPARE(log.err, QByteArray("Error: There is no jj repo in \".\"\n"));
    RunResult again = box.jj({"git", "init", "--colocate", "repo"}, box.root());
    QCOMPARE(again.exitCode, 0);
    QCOMPARE(box.descriptions(box.path("repo")), QStringList{"(empty) (no description set)"});
}

QTEST_GUILESS_MAIN(TestRobustness)
#include "tst_robustness.moc"

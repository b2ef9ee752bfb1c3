// new, new -r ... -m Merge, commit, describe, abandon, rebase --insert-after:
// what they print, what git then holds, and how they refuse.

#include "JjSandbox.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>

namespace {

const char *const kSummary = "[k-z]{8} [0-9a-f]{8} ";

// The parents of a commit as git records them.
QStringList gitParents(const JjSandbox &box, const QString &repo, const QString &commit)
{
    QString line = QString::fromUtf8(box.git({"log", "-1", "--format=%P", commit}, repo)).trimmed();
    return line.isEmpty() ? QStringList() : line.split(' ');
}

QString gitMessage(const JjSandbox &box, const QString &repo, const QString &commit)
{
    return QString::fromUtf8(box.git({"log", "-1", "--format=%B", commit}, repo));
}

bool matches(const QString &pattern, const QString &text)
{
    return QRegularExpression("^" + pattern + "$").match(text).hasMatch();
}

} // namespace

class TestChangeCommands : public QObject {
    Q_OBJECT

private slots:
    void newStartsAnEmptyChangeOnTheWorkingCopy();
    void mergeMakesAChangeWithEveryParent();
    void mergeRefusesConflictsAndUnknownRevisions();
    void commitDescribesAndStartsANewChange();
    void describeRewritesAndRebasesDescendants();
    void describeRefusals();
    void abandonRebasesDescendantsOntoParents();
    void abandonWorkingCopyAndBookmarks();
    void abandonRefusesImmutableCommits();
    void rebaseInsertsAfterTheTarget();
    void rebaseRefusals();
    void authorTimestampFollowsTheRealTool();
};

void TestChangeCommands::newStartsAnEmptyChangeOnTheWorkingCopy()
{
    JjSandbox box;
    QString repo = box.initRepo();
    QString before = box.commitId(repo, "@");
    box.write(repo + "/a.txt", "a\n");
    RunResult r = box.jj({"new"}, repo);
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.isEmpty());
    QStringList err = r.errLines();
    QCOMPARE(err.size(), 2);
    QVERIFY2(matches(QString("Working copy  \\(@\\) now at: ") + kSummary +
                         "\\(empty\\) \\(no description set\\)",
                     err[0]),
             qPrintable(err[0]));
    QVERIFY2(
        matches(QString("Parent commit \\(@-\\)      : ") + kSummary + "\\(no description set\\)",
                err[1]),
        qPrintable(err[1]));
    // The snapshot made before the command is the new change's parent.
    QString snapshot = box.commitId(repo, "@-");
    QVERIFY(snapshot != before);
    QCOMPARE(gitParents(box, repo, box.commitId(repo, "@")), QStringList{snapshot});
    QCOMPARE(box.git({"ls-tree", "--name-only", snapshot}, repo), QByteArray("a.txt\n"));
    QCOMPARE(box.git({"rev-parse", "HEAD"}, repo).trimmed(), snapshot.toUtf8());
}

void TestChangeCommands::mergeMakesAChangeWithEveryParent()
{
    JjSandbox box;
    QString repo = box.initRepo();
    box.write(repo + "/left.txt", "left\n");
    box.jj({"commit", "-m", "left"}, repo);
    QString left = box.changeId(repo, "@-");
    box.jj({"new", "-r", "root()", "-m", "right"}, repo);
    box.write(repo + "/right.txt", "right\n");
    QString right = box.changeId(repo, "@");

    RunResult r = box.jj({"new", "-r", left, right, "-m", "Merge"}, repo);
    QCOMPARE(r.exitCode, 0);
    QStringList err = r.errLines();
    QCOMPARE(err.size(), 4);
    QVERIFY(matches(QString("Working copy  \\(@\\) now at: ") + kSummary + "\\(empty\\) Merge",
                    err[0]));
    QVERIFY(
        matches(QString("Parent commit \\(@-\\)      : ") + left + " [0-9a-f]{8} left", err[1]));
    QVERIFY(
        matches(QString("Parent commit \\(@-\\)      : ") + right + " [0-9a-f]{8} right", err[2]));
    QCOMPARE(err[3], QString("Added 1 files, modified 0 files, removed 0 files"));

    QString merge = box.commitId(repo, "@");
    QCOMPARE(gitParents(box, repo, merge),
             QStringList({box.commitId(repo, left), box.commitId(repo, right)}));
    QCOMPARE(gitMessage(box, repo, merge), QString("Merge\n\n"));
    QCOMPARE(box.read(repo + "/left.txt"), QByteArray("left\n"));
    QCOMPARE(box.read(repo + "/right.txt"), QByteArray("right\n"));
    QCOMPARE(box.descriptions(repo, "@"), QStringList{"(empty) Merge"});
}

void TestChangeCommands::mergeRefusesConflictsAndUnknownRevisions()
{
    JjSandbox box;
    QString repo = box.initRepo();
    box.write(repo + "/same.txt", "one\n");
    box.jj({"commit", "-m", "one"}, repo);
    QString one = box.changeId(repo, "@-");
    box.jj({"new", "-r", "root()", "-m", "two"}, repo);
    box.write(repo + "/same.txt", "two\n");
    QString two = box.changeId(repo, "@");
    QByteArray state = box.read(repo + "/.jj/repo/state");

    RunResult conflict = box.jj({"new", "-r", one, two, "-m", "Merge"}, repo);
    QCOMPARE(conflict.exitCode, 1);
    QVERIFY2(conflict.err.startsWith("Error: ") && conflict.err.contains("conflicts in: same.txt"),
             conflict.err.constData());
    QCOMPARE(box.read(repo + "/.jj/repo/state"), state);

    RunResult unknown = box.jj({"new", "-r", one, "nosuch", "-m", "Merge"}, repo);
    QCOMPARE(unknown.exitCode, 1);
    QCOMPARE(unknown.err, QByteArray("Error: Revision `nosuch` doesn't exist\n"));
}

void TestChangeCommands::commitDescribesAndStartsANewChange()
{
    JjSandbox box;
    QString repo = box.initRepo();
    box.write(repo + "/a.txt", "a\n");
    RunResult r = box.jj({"commit", "-m", "1"}, repo);
    QCOMPARE(r.exitCode, 0);
    QStringList err = r.errLines();
    QCOMPARE(err.size(), 2);
    QVERIFY(matches(QString("Working copy  \\(@\\) now at: ") + kSummary +
                        "\\(empty\\) \\(no description set\\)",
                    err[0]));
    QVERIFY(matches(QString("Parent commit \\(@-\\)      : ") + kSummary + "1", err[1]));
    QString described = box.commitId(repo, "@-");
    QCOMPARE(gitMessage(box, repo, described), QString("1\n\n"));
    QCOMPARE(gitParents(box, repo, box.commitId(repo, "@")), QStringList{described});
    QCOMPARE(box.descriptions(repo), QStringList({"(empty) (no description set)", "1"}));
    // The change keeps its id through the rewrite.
    QCOMPARE(box.changeId(repo, "@-"), err[1].mid(26).section(' ', 0, 0));
}

void TestChangeCommands::describeRewritesAndRebasesDescendants()
{
    JjSandbox box;
    QString repo = box.initRepo();
    box.write(repo + "/a.txt", "a\n");
    box.jj({"commit", "-m", "first"}, repo);
    QString first = box.changeId(repo, "@-");
    QString child = box.commitId(repo, "@");

    RunResult r = box.jj({"describe", "-m", "renamed", "-r", first}, repo);
    QCOMPARE(r.exitCode, 0);
    QStringList err = r.errLines();
    QCOMPARE(err.value(0), QString("Rebased 1 descendant commits."));
    QVERIFY(matches(QString("Working copy  \\(@\\) now at: ") + kSummary +
                        "\\(empty\\) \\(no description set\\)",
                    err.value(1)));
    QVERIFY(matches(QString("Parent commit \\(@-\\)      : ") + first + " [0-9a-f]{8} renamed",
                    err.value(2)));
    QString rewritten = box.commitId(repo, first);
    QCOMPARE(gitMessage(box, repo, rewritten), QString("renamed\n\n"));
    QVERIFY(box.commitId(repo, "@") != child);
    QCOMPARE(gitParents(box, repo, box.commitId(repo, "@")), QStringList{rewritten});

    // The same text again (with or without its final newline) changes nothing.
    RunResult again = box.jj({"describe", "-m", "renamed\n", "-r", first}, repo);
    QCOMPARE(again.exitCode, 0);
    QCOMPARE(again.err, QByteArray("Nothing changed.\n"));
    QCOMPARE(box.commitId(repo, first), rewritten);

    // Describing @ itself.
    RunResult wc = box.jj({"describe", "-m", "description from CLI", "-r", "@"}, repo);
    QVERIFY(matches(QString("Working copy  \\(@\\) now at: ") + kSummary +
                        "\\(empty\\) description from CLI",
                    wc.errLines().value(0)));
}

void TestChangeCommands::describeRefusals()
{
    JjSandbox box;
    QString repo = box.initRepo();
    RunResult root = box.jj({"describe", "-m", "x", "-r", "root()"}, repo);
    QCOMPARE(root.exitCode, 1);
    QCOMPARE(root.err, QByteArray("Error: The root commit 000000000000 is immutable\n"));
    RunResult many = box.jj({"describe", "-m", "x", "-r", "::"}, repo);
    QCOMPARE(many.exitCode, 1);
    QCOMPARE(many.err, QByteArray("Error: Revset `::` resolved to more than one revision\n"));
}

void TestChangeCommands::abandonRebasesDescendantsOntoParents()
{
    JjSandbox box;
    QString repo = box.initRepo();
    box.write(repo + "/a.txt", "a\n");
    box.jj({"commit", "-m", "A"}, repo);
    box.write(repo + "/b.txt", "b\n");
    box.jj({"commit", "-m", "B"}, repo);
    box.write(repo + "/c.txt", "c\n");
    box.jj({"commit", "-m", "C"}, repo);
    QString a = box.changeId(repo, "@---"), b = box.changeId(repo, "@--"),
            c = box.changeId(repo, "@-");
    box.jj({"bookmark", "set", "bm", "--allow-backwards", "-r", b}, repo);

    RunResult r = box.jj({"abandon", "-r", b}, repo);
    QCOMPARE(r.exitCode, 0);
    QStringList err = r.errLines();
    QCOMPARE(err.value(0), QString("Abandoned 1 commits:"));
    QVERIFY(matches(QString("  ") + b + " [0-9a-f]{8} bm \\| B", err.value(1)));
    QCOMPARE(err.value(2), QString("Deleted bookmarks: bm"));
    QCOMPARE(err.value(3),
             QString("Rebased 2 descendant commits onto parents of abandoned commits."));
    QVERIFY(err.value(4).startsWith("Working copy  (@) now at: "));
    QCOMPARE(err.value(6), QString("Added 0 files, modified 0 files, removed 1 files"));

    QCOMPARE(box.descriptions(repo), QStringList({"(empty) (no description set)", "C", "A"}));
    // C now sits on A, and lost B's file.
    QCOMPARE(gitParents(box, repo, box.commitId(repo, c)), QStringList{box.commitId(repo, a)});
    QCOMPARE(box.git({"ls-tree", "--name-only", box.commitId(repo, c)}, repo),
             QByteArray("a.txt\nc.txt\n"));
    QVERIFY(!QFile::exists(repo + "/b.txt"));
    QVERIFY(box.git({"for-each-ref", "refs/heads/"}, repo).isEmpty());
    QCOMPARE(box.jj({"bookmark", "list"}, repo).out, QByteArray());
}

void TestChangeCommands::abandonWorkingCopyAndBookmarks()
{
    JjSandbox box;
    QString repo = box.initRepo();
    box.write(repo + "/a.txt", "a\n");
    box.jj({"describe", "-m", "a", "-r", "@"}, repo);
    box.jj({"bookmark", "create", "a"}, repo);
    QString abandoned = box.changeId(repo, "@");

    RunResult r = box.jj({"abandon", "-r", box.commitId(repo, "@")}, repo);
    QCOMPARE(r.exitCode, 0);
    QStringList err = r.errLines();
    QCOMPARE(err.value(0), QString("Abandoned 1 commits:"));
    QVERIFY(matches(QString("  ") + abandoned + " [0-9a-f]{8} a \\| a", err.value(1)));
    QCOMPARE(err.value(2), QString("Deleted bookmarks: a"));
    QVERIFY(matches(QString("Working copy  \\(@\\) now at: ") + kSummary +
                        "\\(empty\\) \\(no description set\\)",
                    err.value(3)));
    QCOMPARE(err.value(4),
             QString("Parent commit (@-)      : zzzzzzzz 00000000 (empty) (no description set)"));
    QCOMPARE(err.value(5), QString("Added 0 files, modified 0 files, removed 1 files"));
    QVERIFY(box.changeId(repo, "@") != abandoned);
    QVERIFY(!QFile::exists(repo + "/a.txt"));

    RunResult none = box.jj({"abandon", "-r", "none()"}, repo);
    QCOMPARE(none.exitCode, 0);
    QCOMPARE(none.err, QByteArray("No revisions to abandon.\n"));
}

void TestChangeCommands::abandonRefusesImmutableCommits()
{
    JjSandbox box;
    QString repo = box.initRepo();
    QString remote = box.bareRemote("remote.git");
    box.write(repo + "/a.txt", "a\n");
    box.jj({"commit", "-m", "shared"}, repo);
    box.jj({"bookmark", "set", "main", "--allow-backwards", "-r", "@-"}, repo);
    box.jj({"git", "remote", "add", "origin", remote}, repo);
    QCOMPARE(box.jj({"git", "push", "--remote", "origin", "-b", "main"}, repo).exitCode, 0);
    QString shared = box.commitId(repo, "main");

    RunResult r = box.jj({"abandon", "-r", "main"}, repo);
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.errLines(),
             QStringList({
                 "Error: Commit " + shared.left(12) + " is immutable",
                 "Hint: Could not modify commit: " + box.changeId(repo, "main") + " " +
                     shared.left(8) + " main | shared",
                 "Hint: Immutable commits are used to protect shared history.",
                 "Hint: For more information, see:",
                 "      - https://docs.jj-vcs.dev/latest/config/#set-of-immutable-commits",
                 "      - `jj help -k config`, \"Set of immutable commits\"",
                 "Hint: This operation would rewrite 1 immutable commits.",
             }));
    RunResult root = box.jj({"abandon", "-r", "root()"}, repo);
    QCOMPARE(root.err, QByteArray("Error: The root commit 000000000000 is immutable\n"));
}

void TestChangeCommands::rebaseInsertsAfterTheTarget()
{
    JjSandbox box;
    QString repo = box.initRepo();
    for (const char *name : {"A", "B", "C"}) {
        box.write(repo + "/" + name + ".txt", QByteArray(name) + "\n");
        box.jj({"commit", "-m", name}, repo);
    }
    QString a = box.changeId(repo, "@---"), c = box.changeId(repo, "@-");

    RunResult r = box.jj({"rebase", "-r", c, "--insert-after", a}, repo);
    QCOMPARE(r.exitCode, 0);
    QStringList err = r.errLines();
    QCOMPARE(err.value(0), QString("Rebased 1 commits to destination."));
    QCOMPARE(err.value(1), QString("Rebased 2 descendant commits."));
    QVERIFY(err.value(2).startsWith("Working copy  (@) now at: "));
    QCOMPARE(box.descriptions(repo), QStringList({"(empty) (no description set)", "B", "C", "A"}));
    // C carries only its own change to its new place; B keeps everything it had.
    QCOMPARE(box.git({"ls-tree", "--name-only", box.commitId(repo, c)}, repo),
             QByteArray("A.txt\nC.txt\n"));
    QCOMPARE(box.git({"ls-tree", "--name-only", box.commitId(repo, "@-")}, repo),
             QByteArray("A.txt\nB.txt\nC.txt\n"));
    QCOMPARE(gitParents(box, repo, box.commitId(repo, c)), QStringList{box.commitId(repo, a)});

    // Several changes at once keep their order between the target and its children.
    QString b = box.changeId(repo, "@-");
    RunResult two = box.jj({"rebase", "-r", c, "-r", b, "--insert-after", "root()"}, repo);
    QCOMPARE(two.exitCode, 0);
    QCOMPARE(box.descriptions(repo), QStringList({"(empty) (no description set)", "A", "B", "C"}));
}

void TestChangeCommands::rebaseRefusals()
{
    JjSandbox box;
    QString repo = box.initRepo();
    box.write(repo + "/f.txt", "1\n");
    box.jj({"commit", "-m", "one"}, repo);
    box.write(repo + "/f.txt", "2\n");
    box.jj({"commit", "-m", "two"}, repo);
    QString one = box.changeId(repo, "@--"), two = box.changeId(repo, "@-");
    QByteArray state = box.read(repo + "/.jj/repo/state");

    RunResult loop = box.jj({"rebase", "-r", two, "--insert-after", two}, repo);
    QCOMPARE(loop.exitCode, 1);
    QCOMPARE(loop.err,
             QByteArray("Error: Refusing to create a loop: commit " +
                        box.commitId(repo, two).left(12).toUtf8() +
                        " would be both an ancestor and a descendant of the rebased commits\n"));
    RunResult root = box.jj({"rebase", "-r", "root()", "--insert-after", two}, repo);
    QCOMPARE(root.err, QByteArray("Error: The root commit 000000000000 is immutable\n"));
    // "two" edits what "one" wrote: before "one" it cannot apply cleanly.
    RunResult conflict = box.jj({"rebase", "-r", two, "--insert-after", "root()"}, repo);
    QCOMPARE(conflict.exitCode, 1);
    QVERIFY2(conflict.err.contains("conflicts in: f.txt"), conflict.err.constData());
    QCOMPARE(box.read(repo + "/.jj/repo/state"), state);
    QCOMPARE(box.changeId(repo, "@--"), one);
}

void TestChangeCommands::authorTimestampFollowsTheRealTool()
{
    JjSandbox box;
    QString repo = box.initRepo();
    auto at = [&](const char *time) {
        QProcessEnvironment e = box.env;
        e.insert("JJ_TIMESTAMP", time);
        return e;
    };
    auto times = [&](const QString &rev) {
        QStringList lines = box.jj({"show", rev}, repo).outLines();
        return QStringList{lines.value(2).section('(', -1).chopped(1),
                           lines.value(3).section('(', -1).chopped(1)};
    };
    // An empty change without description takes the time it first gets content...
    box.write(repo + "/a.txt", "a\n");
    box.jj({"log", "--no-graph"}, repo, at("2001-02-03T05:00:00+07:00"));
    QCOMPARE(times("@"), QStringList({"2001-02-03 09:00:00", "2001-02-03 09:00:00"}));
    // ...and keeps it through later rewrites, while the committer time moves.
    box.jj({"describe", "-m", "x", "-r", "@"}, repo, at("2001-02-03T06:00:00+07:00"));
    box.write(repo + "/a.txt", "changed\n");
    box.jj({"log", "--no-graph"}, repo, at("2001-02-03T07:00:00+07:00"));
    QCOMPARE(times("@"), QStringList({"2001-02-03 09:00:00", "2001-02-03 11:00:00"}));
    QVERIFY(box.jj({"log", "--no-graph", "-r", "@"}, repo).out.contains(" 2001-02-03 11:00:00 "));
}

QTEST_GUILESS_MAIN(TestChangeCommands)
#include "tst_changecommands.moc"

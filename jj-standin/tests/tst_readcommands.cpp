// The read-only commands: log, show, diff --git, bookmark list, git remote list.
// Where a sample of the real tool's output can be reproduced exactly (the ids in
// git's patch format are content hashes), the bytes are compared.

#include "JjSandbox.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>

#include <random>

namespace {

void makeExecutable(const QString &file)
{
    QFile::setPermissions(file, QFile::permissions(file) | QFile::ExeOwner | QFile::ExeGroup |
                                    QFile::ExeOther);
}

} // namespace

class TestReadCommands : public QObject {
    Q_OBJECT

private slots:
    void logPrintsTwoLinesPerChange();
    void logRevisions();
    void logUnknownRevision();
    void logIdsAreUniquePrefixesThatResolve();
    void showLayout();
    void showRootCommit();
    void showFileSectionsLikeTheSamples();
    void showSkipsDistantContext();
    void diffGitMatchesTheSamples_data();
    void diffGitMatchesTheSamples();
    void diffGitEdgeCases();
    void diffGitAppliesWithGit();
    void bookmarkListLayout();
    void remoteListLayout();
};

void TestReadCommands::logPrintsTwoLinesPerChange()
{
    JjSandbox box;
    QString repo = box.initRepo();
    box.write(repo + "/a.txt", "a\n");
    QCOMPARE(box.jj({"commit", "-m", "first line\n\nmore text"}, repo).exitCode, 0);
    QCOMPARE(box.jj({"bookmark", "create", "topic"}, repo).exitCode, 0);

    RunResult r = box.jj({"log", "--no-graph", "-r", "::"}, repo);
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.err.isEmpty());
    QStringList lines = r.outLines();
    QCOMPARE(lines.size(), 5);
    QRegularExpression fields(kLogFieldsPattern);
    QVERIFY2(fields.match(lines[0]).hasMatch(), qPrintable(lines[0]));
    QVERIFY2(fields.match(lines[2]).hasMatch(), qPrintable(lines[2]));
    QStringList words = lines[0].split(' ');
    QCOMPARE(words.size(), 6); // change, e-mail, date, time, bookmark, commit
    QCOMPARE(words[1], QString("test.user@example.com"));
    QCOMPARE(words[2] + " " + words[3], QString("2001-02-03 08:05:06"));
    QCOMPARE(words[4], QString("topic"));
    QCOMPARE(lines[1], QString("(empty) (no description set)"));
    QCOMPARE(lines[3], QString("first line"));
    QCOMPARE(lines[4], QString("zzzzzzzz root() 00000000"));
    QVERIFY(box.commitId(repo, "@").startsWith(words[5]));
}

void TestReadCommands::logRevisions()
{
    JjSandbox box;
    QString repo = box.initRepo();
    box.write(repo + "/a.txt", "a\n");
    box.jj({"commit", "-m", "mine one"}, repo);
    QString mineOne = box.changeId(repo, "@-");
    QProcessEnvironment other = box.env;
    other.insert("JJ_USER", "Other Person");
    other.insert("JJ_EMAIL", "other@example.com");
    QCOMPARE(box.jj({"new", "-r", mineOne, "-m", "theirs"}, repo, other).exitCode, 0);
    box.write(repo + "/b.txt", "b\n");
    box.jj({"new"}, repo);
    box.jj({"bookmark", "set", "base", "--allow-backwards", "-r", mineOne}, repo);

    QCOMPARE(box.descriptions(repo, "::"),
             QStringList({"(empty) (no description set)", "theirs", "mine one"}));
    QCOMPARE(box.jj({"log", "--no-graph", "-r", "::"}, repo).outLines().last(),
             QString("zzzzzzzz root() 00000000"));
    QCOMPARE(box.descriptions(repo, "@"), QStringList({"(empty) (no description set)"}));
    QCOMPARE(box.jj({"log", "--no-graph", "-r", "@"}, repo).outLines().size(), 2);
    QCOMPARE(box.descriptions(repo, "mine()"),
             QStringList({"(empty) (no description set)", "mine one"}));
    QVERIFY(box.jj({"log", "--no-graph", "-r", "::"}, repo)
                .outLines()
                .value(2)
                .contains(" other@example.com "));
    QCOMPARE(box.descriptions(repo, "ancestors(base)"), QStringList({"mine one"}));
    QCOMPARE(box.jj({"log", "--no-graph", "-r", "ancestors(base)"}, repo).outLines().last(),
             QString("zzzzzzzz root() 00000000"));
    // Without -r: every mutable change (here all of them), and the root as trunk().
    QCOMPARE(box.jj({"log", "--no-graph"}, repo).out,
             box.jj({"log", "--no-graph", "-r", "::"}, repo).out);
}

void TestReadCommands::logUnknownRevision()
{
    JjSandbox box;
    QString repo = box.initRepo();
    RunResult r = box.jj({"log", "--no-graph", "-r", "foo"}, repo);
    QCOMPARE(r.exitCode, 1);
    QVERIFY(r.out.isEmpty());
    QCOMPARE(r.err, QByteArray("Error: Revision `foo` doesn't exist\n"));
    RunResult missing = box.jj({"log", "--no-graph", "-r", "ancestors(nobookmark)"}, repo);
    QCOMPARE(missing.exitCode, 1);
    QCOMPARE(missing.err, QByteArray("Error: Revision `nobookmark` doesn't exist\n"));
    QCOMPARE(box.jj({"show", "kkkkkkkk"}, repo).err,
             QByteArray("Error: Revision `kkkkkkkk` doesn't exist\n"));
    RunResult diff = box.jj({"diff", "-r", "nosuch", "--git"}, repo);
    QCOMPARE(diff.exitCode, 1);
    QCOMPARE(diff.err, QByteArray("Error: Revision `nosuch` doesn't exist\n"));
}

void TestReadCommands::logIdsAreUniquePrefixesThatResolve()
{
    JjSandbox box;
    QString repo = box.initRepo();
    for (int i = 0; i < 20; ++i)
        box.jj({"new"}, repo);
    QStringList lines = box.jj({"log", "--no-graph", "-r", "::"}, repo).outLines();
    QSet<QString> changes, commits;
    for (int i = 0; i + 1 < lines.size(); i += 2) {
        QStringList words = lines[i].split(' ');
        QVERIFY(words.first().size() >= 8);
        changes.insert(words.first());
        commits.insert(words.last());
        // Both printed prefixes name the same commit.
        QString full = box.commitId(repo, words.first());
        QVERIFY(full.startsWith(words.last()));
        QCOMPARE(box.commitId(repo, words.last()), full);
    }
    QCOMPARE(changes.size(), 21);
    QCOMPARE(commits.size(), 21);
    // 21 ids over 16 first letters: some letter starts two of them.
    QString shared;
    QSet<QChar> firsts;
    for (const QString &id : changes)
        if (!id.startsWith('z') && firsts.contains(id[0]))
            shared = id.left(1);
        else
            firsts.insert(id[0]);
    QVERIFY(!shared.isEmpty());
    RunResult ambiguous = box.jj({"show", shared}, repo);
    QCOMPARE(ambiguous.exitCode, 1);
    QCOMPARE(ambiguous.err,
             QByteArray("Error: Change ID prefix `" + shared.toUtf8() + "` is ambiguous\n"));
}

void TestReadCommands::showLayout()
{
    JjSandbox box;
    QString repo = box.initRepo();
    box.write(repo + "/gone.txt", "old\n");
    box.write(repo + "/kept.txt", "one\ntwo\n");
    box.jj({"commit", "-m", "base"}, repo);
    QFile::remove(repo + "/gone.txt");
    box.write(repo + "/kept.txt", "one\n2\n");
    box.write(repo + "/new.txt", "fresh\n");
    box.jj({"describe", "-m", "Title line\n\nBody paragraph\n  indented line\n", "-r", "@"}, repo);
    box.jj({"bookmark", "create", "feature"}, repo);

    QString commit = box.commitId(repo, "@");
    QString change =
        box.jj({"log", "--no-graph", "-r", "@"}, repo).outLines().value(0).section(' ', 0, 0);
    RunResult r = box.jj({"show", change}, repo);
    QCOMPARE(r.exitCode, 0);
    QStringList lines = r.outLines();
    QCOMPARE(lines.value(0), "Commit ID: " + commit);
    QVERIFY(lines.value(1).startsWith("Change ID: " + change));
    QCOMPARE(lines.value(1).size(), 11 + 32);
    QCOMPARE(r.out.mid(r.out.indexOf("Bookmarks")),
             QByteArray("Bookmarks: feature\n"
                        "Author   : Test User <test.user@example.com> (2001-02-03 08:05:06)\n"
                        "Committer: Test User <test.user@example.com> (2001-02-03 08:05:06)\n"
                        "\n"
                        "    Title line\n"
                        "\n"
                        "    Body paragraph\n"
                        "      indented line\n"
                        "\n"
                        "Removed regular file gone.txt:\n"
                        "   1     : old\n"
                        "Modified regular file kept.txt:\n"
                        "   1    1: one\n"
                        "   2     : two\n"
                        "        2: 2\n"
                        "Added regular file new.txt:\n"
                        "        1: fresh\n"));
    // A change without description or content: header, placeholder, blank line.
    box.jj({"new"}, repo);
    RunResult empty = box.jj({"show", "@"}, repo);
    QVERIFY(empty.out.endsWith(")\n\n    (no description set)\n\n"));
    QVERIFY(!empty.out.contains("Bookmarks:"));
}

void TestReadCommands::showRootCommit()
{
    JjSandbox box;
    QString repo = box.initRepo();
    RunResult r = box.jj({"show", "root()"}, repo);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QByteArray("Commit ID: 0000000000000000000000000000000000000000\n"
                               "Change ID: zzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzz\n"
                               "Author   : (no name set) <(no email set)> (1970-01-01 11:00:00)\n"
                               "Committer: (no name set) <(no email set)> (1970-01-01 11:00:00)\n"
                               "\n"
                               "    (no description set)\n"
                               "\n"));
}

void TestReadCommands::showFileSectionsLikeTheSamples()
{
    JjSandbox box;
    QString repo = box.initRepo();
    box.write(repo + "/file2", "foo\nbaz qux\n");
    box.write(repo + "/a", "a\nb\nc\n");
    box.write(repo + "/b", "b\n");
    box.jj({"commit", "-m", "base"}, repo);
    box.write(repo + "/file2", "foo\nbar\nbaz quux\n");
    box.write(repo + "/a", "a\nb\n");
    QFile::remove(repo + "/b");
    RunResult r = box.jj({"show", "@"}, repo);
    QVERIFY2(r.out.endsWith("Modified regular file a:\n"
                            "   1    1: a\n"
                            "   2    2: b\n"
                            "   3     : c\n"
                            "Removed regular file b:\n"
                            "   1     : b\n"
                            "Modified regular file file2:\n"
                            "   1    1: foo\n"
                            "   2     : baz qux\n"
                            "        2: bar\n"
                            "        3: baz quux\n"),
             r.out.constData());
}

void TestReadCommands::showSkipsDistantContext()
{
    JjSandbox box;
    QString repo = box.initRepo();
    QByteArray before, after;
    for (int i = 1; i <= 20; ++i) {
        before += QByteArray::number(i) + "\n";
        after += (i == 2 || i == 18 ? QByteArray("x") : QByteArray::number(i)) + "\n";
    }
    box.write(repo + "/n.txt", before);
    box.jj({"commit", "-m", "numbers"}, repo);
    box.write(repo + "/n.txt", after);
    RunResult r = box.jj({"show", "@"}, repo);
    QVERIFY2(r.out.endsWith("Modified regular file n.txt:\n"
                            "   1    1: 1\n"
                            "   2     : 2\n"
                            "        2: x\n"
                            "   3    3: 3\n"
                            "   4    4: 4\n"
                            "   5    5: 5\n"
                            "    ...\n"
                            "  15   15: 15\n"
                            "  16   16: 16\n"
                            "  17   17: 17\n"
                            "  18     : 18\n"
                            "       18: x\n"
                            "  19   19: 19\n"
                            "  20   20: 20\n"),
             r.out.constData());
}

void TestReadCommands::diffGitMatchesTheSamples_data()
{
    QTest::addColumn<QStringList>("before"); // path=content, "+x" suffix on the path for executable
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("diff-git-02") << QStringList{"file1=foo\n"} << QStringList{}
                                 << QByteArray("diff --git a/file1 b/file1\n"
                                               "deleted file mode 100644\n"
                                               "index 257cc5642c..0000000000\n"
                                               "--- a/file1\n"
                                               "+++ /dev/null\n"
                                               "@@ -1,1 +0,0 @@\n"
                                               "-foo\n");
    QTest::newRow("diff-git-03") << QStringList{"file1=", "file2=foo\n",
                                                "file3=foo\nbaz qux blah blah\n"}
                                 << QStringList{"file1=foo\n",
                                                "file2=", "file3=foo\nbar\nbaz quux blah blah\n"}
                                 << QByteArray("diff --git a/file1 b/file1\n"
                                               "index e69de29bb2..257cc5642c 100644\n"
                                               "--- a/file1\n"
                                               "+++ b/file1\n"
                                               "@@ -0,0 +1,1 @@\n"
                                               "+foo\n"
                                               "diff --git a/file2 b/file2\n"
                                               "index 257cc5642c..e69de29bb2 100644\n"
                                               "--- a/file2\n"
                                               "+++ b/file2\n"
                                               "@@ -1,1 +0,0 @@\n"
                                               "-foo\n"
                                               "diff --git a/file3 b/file3\n"
                                               "index 221a95a095..a543ef3892 100644\n"
                                               "--- a/file3\n"
                                               "+++ b/file3\n"
                                               "@@ -1,2 +1,3 @@\n"
                                               " foo\n"
                                               "-baz qux blah blah\n"
                                               "+bar\n"
                                               "+baz quux blah blah\n");
    QTest::newRow("diff-git-04") << QStringList{"file1=foo1\n", "dir1/file2=foo2\n",
                                                "dir1/subdir1/file3=foo3\n", "dir2/file4=foo4\n"}
                                 << QStringList{"file1=bar1\n", "dir1/file2=bar2\n",
                                                "dir1/subdir1/file3=bar3\n", "dir2/file4=bar4\n"}
                                 << QByteArray(
                                        "diff --git a/dir1/file2 b/dir1/file2\n"
                                        "index 54b060eee9..1fe912cdd8 100644\n"
                                        "--- a/dir1/file2\n"
                                        "+++ b/dir1/file2\n"
                                        "@@ -1,1 +1,1 @@\n"
                                        "-foo2\n"
                                        "+bar2\n"
                                        "diff --git a/dir1/subdir1/file3 b/dir1/subdir1/file3\n"
                                        "index c1ec6c6f12..f3c8b75ec6 100644\n"
                                        "--- a/dir1/subdir1/file3\n"
                                        "+++ b/dir1/subdir1/file3\n"
                                        "@@ -1,1 +1,1 @@\n"
                                        "-foo3\n"
                                        "+bar3\n"
                                        "diff --git a/dir2/file4 b/dir2/file4\n"
                                        "index a0016dbc4c..17375f7a12 100644\n"
                                        "--- a/dir2/file4\n"
                                        "+++ b/dir2/file4\n"
                                        "@@ -1,1 +1,1 @@\n"
                                        "-foo4\n"
                                        "+bar4\n"
                                        "diff --git a/file1 b/file1\n"
                                        "index 1715acd6a5..05c4fe6772 100644\n"
                                        "--- a/file1\n"
                                        "+++ b/file1\n"
                                        "@@ -1,1 +1,1 @@\n"
                                        "-foo1\n"
                                        "+bar1\n");
    QTest::newRow("diff-git-05") << QStringList{}
                                 << QStringList{"file1+x=", "file2+x=1\n", "file3=1\n", "file4="}
                                 << QByteArray("diff --git a/file1 b/file1\n"
                                               "new file mode 100755\n"
                                               "index 0000000000..e69de29bb2\n"
                                               "diff --git a/file2 b/file2\n"
                                               "new file mode 100755\n"
                                               "index 0000000000..d00491fd7e\n"
                                               "--- /dev/null\n"
                                               "+++ b/file2\n"
                                               "@@ -0,0 +1,1 @@\n"
                                               "+1\n"
                                               "diff --git a/file3 b/file3\n"
                                               "new file mode 100644\n"
                                               "index 0000000000..d00491fd7e\n"
                                               "--- /dev/null\n"
                                               "+++ b/file3\n"
                                               "@@ -0,0 +1,1 @@\n"
                                               "+1\n"
                                               "diff --git a/file4 b/file4\n"
                                               "new file mode 100644\n"
                                               "index 0000000000..e69de29bb2\n");
    QTest::newRow("diff-git-06") << QStringList{"file1=2\n", "file2=1\n", "file3+x=2\n", "file4+x="}
                                 << QStringList{}
                                 << QByteArray("diff --git a/file1 b/file1\n"
                                               "deleted file mode 100644\n"
                                               "index 0cfbf08886..0000000000\n"
                                               "--- a/file1\n"
                                               "+++ /dev/null\n"
                                               "@@ -1,1 +0,0 @@\n"
                                               "-2\n"
                                               "diff --git a/file2 b/file2\n"
                                               "deleted file mode 100644\n"
                                               "index d00491fd7e..0000000000\n"
                                               "--- a/file2\n"
                                               "+++ /dev/null\n"
                                               "@@ -1,1 +0,0 @@\n"
                                               "-1\n"
                                               "diff --git a/file3 b/file3\n"
                                               "deleted file mode 100755\n"
                                               "index 0cfbf08886..0000000000\n"
                                               "--- a/file3\n"
                                               "+++ /dev/null\n"
                                               "@@ -1,1 +0,0 @@\n"
                                               "-2\n"
                                               "diff --git a/file4 b/file4\n"
                                               "deleted file mode 100755\n"
                                               "index e69de29bb2..0000000000\n");
}

void TestReadCommands::diffGitMatchesTheSamples()
{
    QFETCH(QStringList, before);
    QFETCH(QStringList, after);
    QFETCH(QByteArray, expected);
    JjSandbox box;
    QString repo = box.initRepo();
    auto place = [&](const QStringList &files) {
        for (const QString &file : files) {
            QString name = file.section('=', 0, 0);
            bool exec = name.endsWith("+x");
            if (exec)
                name.chop(2);
            box.write(repo + "/" + name, file.section('=', 1).toUtf8());
            if (exec)
                makeExecutable(repo + "/" + name);
        }
    };
    place(before);
    box.jj({"new"}, repo);
    for (const QString &file : before)
        QFile::remove(repo + "/" + file.section('=', 0, 0).remove("+x"));
    place(after);
    RunResult r = box.jj({"diff", "-r", "@", "--git"}, repo);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, expected);
}

void TestReadCommands::diffGitEdgeCases()
{
    JjSandbox box;
    QString repo = box.initRepo();
    box.write(repo + "/tail.txt", "a\nb");
    box.write(repo + "/moved.txt", "one\ntwo\nthree\nfour\nfive\n");
    box.jj({"new"}, repo);
    box.write(repo + "/tail.txt", "a\nc");
    QFile::rename(repo + "/moved.txt", repo + "/renamed.txt");
    RunResult r = box.jj({"diff", "-r", "@", "--git"}, repo);
    QCOMPARE(r.out, QByteArray("diff --git a/moved.txt b/renamed.txt\n"
                               "rename from moved.txt\n"
                               "rename to renamed.txt\n"
                               "diff --git a/tail.txt b/tail.txt\n"
                               "index 0a207c060e..817f660e44 100644\n"
                               "--- a/tail.txt\n"
                               "+++ b/tail.txt\n"
                               "@@ -1,2 +1,2 @@\n"
                               " a\n"
                               "-b\n"
                               "\\ No newline at end of file\n"
                               "+c\n"
                               "\\ No newline at end of file\n"));
    RunResult show = box.jj({"show", "@"}, repo);
    QVERIFY2(show.out.contains("\nModified regular file renamed.txt (moved.txt => "
                               "renamed.txt):\nModified regular file "
                               "tail.txt:\n"),
             show.out.constData());
    // A change without changes prints nothing; so does the root.
    box.jj({"new"}, repo);
    QCOMPARE(box.jj({"diff", "-r", "@", "--git"}, repo).out, QByteArray());
    QCOMPARE(box.jj({"diff", "-r", "root()", "--git"}, repo).out, QByteArray());
}

void TestReadCommands::diffGitAppliesWithGit()
{
    // Random edits of a file full of repeated lines: git must accept every hunk.
    JjSandbox box;
    QString repo = box.initRepo();
    std::mt19937 random(7);
    const QList<QByteArray> words{"a", "b", "c", "{", "}", "", "x"};
    auto pick = [&](size_t n) { return static_cast<qsizetype>(random() % n); };
    for (int round = 0; round < 12; ++round) {
        QList<QByteArray> lines;
        for (qsizetype i = 0, n = pick(25) + 1; i < n; ++i)
            lines << words[pick(words.size())] + "\n";
        QByteArray before = lines.join();
        for (int edit = 0; edit < 4; ++edit) {
            qsizetype at = pick(lines.size() + 1);
            if (random() % 2 && at < lines.size())
                lines.removeAt(at);
            else
                lines.insert(at, words[pick(words.size())] + "\n");
        }
        QByteArray after = lines.join();
        if (round % 3 == 0 && after.endsWith('\n'))
            after.chop(1);
        box.write(repo + "/f.txt", before);
        box.jj({"new"}, repo);
        box.write(repo + "/f.txt", after);
        QByteArray patch = box.jj({"diff", "-r", "@", "--git"}, repo).out;
        box.write(box.path("change.patch"), patch);
        box.write(repo + "/f.txt", before);
        if (before != after)
            box.git({"apply", box.path("change.patch")}, repo);
        QCOMPARE(box.read(repo + "/f.txt"), after);
        box.write(repo + "/f.txt", after);
    }
}

void TestReadCommands::bookmarkListLayout()
{
    JjSandbox box;
    QString repo = box.initRepo();
    box.write(repo + "/a.txt", "a\n");
    box.jj({"commit", "-m", "described"}, repo);
    box.jj({"bookmark", "create", "zeta"}, repo);
    box.jj({"bookmark", "set", "alpha", "--allow-backwards", "-r", "@-"}, repo);
    RunResult r = box.jj({"bookmark", "list"}, repo);
    QCOMPARE(r.exitCode, 0);
    QStringList lines = r.outLines();
    QCOMPARE(lines.size(), 2);
    QRegularExpression alpha("^alpha: [k-z]{8} [0-9a-f]{8} described$");
    QRegularExpression zeta("^zeta: [k-z]{8} [0-9a-f]{8} \\(empty\\) \\(no description set\\)$");
    QVERIFY2(alpha.match(lines[0]).hasMatch(), qPrintable(lines[0]));
    QVERIFY2(zeta.match(lines[1]).hasMatch(), qPrintable(lines[1]));
    QCOMPARE(lines[0].section(' ', 1, 1), box.changeId(repo, "@-"));
    QVERIFY(box.commitId(repo, "@-").startsWith(lines[0].section(' ', 2, 2)));
    // No bookmarks: no output at all.
    JjSandbox empty;
    QCOMPARE(empty.jj({"bookmark", "list"}, empty.initRepo()).out, QByteArray());
}

void TestReadCommands::remoteListLayout()
{
    JjSandbox box;
    QString repo = box.initRepo();
    QCOMPARE(box.jj({"git", "remote", "list"}, repo).out, QByteArray());
    box.jj({"git", "remote", "add", "zed", "http://example.com/repo/zed"}, repo);
    box.jj({"git", "remote", "add", "bar", "http://example.com/repo/foo"}, repo);
    RunResult r = box.jj({"git", "remote", "list"}, repo);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out,
             QByteArray("bar http://example.com/repo/foo\nzed http://example.com/repo/zed\n"));
}

QTEST_GUILESS_MAIN(TestReadCommands)
#include "tst_readcommands.moc"

// bookmark create / set / track, git remote add, git push, git fetch, git clone.

#include "JjSandbox.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

namespace {

bool matches(const QString &pattern, const QString &text)
{
    return QRegularExpression("^" + pattern + "$").match(text).hasMatch();
}

QByteArray remoteBranch(const JjSandbox &box, const QString &remote, const QString &branch)
{
    return box.git({"rev-parse", "--verify", "--quiet", "refs/heads/" + branch}, remote).trimmed();
}

// A repository with one described change under bookmark "main", and a bare remote "origin".
struct Published {
    QString repo;
    QString remote;
};

Published publish(JjSandbox &box)
{
    Published p{box.initRepo(), box.bareRemote("remote.git")};
    box.write(p.repo + "/readme.txt", "hello\n");
    box.jj({"commit", "-m", "message"}, p.repo);
    box.jj({"bookmark", "set", "main", "--allow-backwards", "-r", "@-"}, p.repo);
    box.jj({"git", "remote", "add", "origin", p.remote}, p.repo);
    box.jj({"bookmark", "track", "main@origin"}, p.repo);
    box.jj({"git", "push", "--remote", "origin", "-b", "main"}, p.repo);
    return p;
}

// A second repository must draw its change ids from another seed, as two
// processes of the real tool would from different randomness.
QProcessEnvironment otherSeed(const JjSandbox &box)
{
    QProcessEnvironment env = box.env;
    env.insert("JJ_RANDOMNESS_SEED", "4242");
    return env;
}

} // namespace

class TestBookmarksRemotes : public QObject {
    Q_OBJECT

private slots:
    void bookmarkCreate();
    void bookmarkSet();
    void bookmarkTrack();
    void remoteAdd();
    void pushCreatesAndMovesTheBranch();
    void pushRefusals();
    void pushedChangesBecomeImmutable();
    void fetchImportsRemoteBookmarks();
    void fetchFailures();
    void cloneChecksOutTheDefaultBranch();
    void cloneFailures();
};

void TestBookmarksRemotes::bookmarkCreate()
{
    JjSandbox box;
    QString repo = box.initRepo();
    RunResult r = box.jj({"bookmark", "create", "foo"}, repo);
    QCOMPARE(r.exitCode, 0);
    QStringList err = r.errLines();
    QCOMPARE(err.value(0), QString("Warning: Target revision is empty."));
    QVERIFY2(matches("Created 1 bookmarks pointing to [k-z]{8} [0-9a-f]{8} foo \\| \\(empty\\) "
                     "\\(no description set\\)",
                     err.value(1)),
             qPrintable(err.value(1)));
    QCOMPARE(box.git({"rev-parse", "refs/heads/foo"}, repo).trimmed(),
             box.commitId(repo, "@").toUtf8());
    QVERIFY(box.jj({"log", "--no-graph", "-r", "@"}, repo).outLines().value(0).contains(" foo "));

    RunResult again = box.jj({"bookmark", "create", "foo"}, repo);
    QCOMPARE(again.exitCode, 1);
    QCOMPARE(
        again.err,
        QByteArray(
            "Error: Bookmark already exists: foo\nHint: Use `jj bookmark set` to update it.\n"));
    RunResult invalid = box.jj({"bookmark", "create", "bad name"}, repo);
    QCOMPARE(invalid.exitCode, 2);
    QVERIFY(invalid.err.startsWith("error: invalid value 'bad name'"));
}

void TestBookmarksRemotes::bookmarkSet()
{
    JjSandbox box;
    QString repo = box.initRepo();
    box.write(repo + "/a.txt", "a\n");
    box.jj({"commit", "-m", "first"}, repo);
    RunResult created = box.jj({"bookmark", "set", "foo", "--allow-backwards", "-r", "@-"}, repo);
    QCOMPARE(created.exitCode, 0);
    QVERIFY(matches("Created 1 bookmarks pointing to [k-z]{8} [0-9a-f]{8} foo \\| first",
                    created.errLines().value(0)));
    RunResult moved = box.jj({"bookmark", "set", "foo", "--allow-backwards", "-r", "@"}, repo);
    QCOMPARE(moved.errLines().value(0), QString("Warning: Target revision is empty."));
    QVERIFY(matches(
        "Moved 1 bookmarks to [k-z]{8} [0-9a-f]{8} foo \\| \\(empty\\) \\(no description set\\)",
        moved.errLines().value(1)));
    QCOMPARE(box.git({"rev-parse", "refs/heads/foo"}, repo).trimmed(),
             box.commitId(repo, "@").toUtf8());
    // Backwards is allowed, and the same target changes nothing.
    QCOMPARE(box.jj({"bookmark", "set", "foo", "--allow-backwards", "-r", "@-"}, repo).exitCode, 0);
    RunResult same = box.jj({"bookmark", "set", "foo", "--allow-backwards", "-r", "@-"}, repo);
    QCOMPARE(same.err, QByteArray("Nothing changed.\n"));
    RunResult unknown =
        box.jj({"bookmark", "set", "foo", "--allow-backwards", "-r", "nosuch"}, repo);
    QCOMPARE(unknown.exitCode, 1);
    QCOMPARE(unknown.err, QByteArray("Error: Revision `nosuch` doesn't exist\n"));
}

void TestBookmarksRemotes::bookmarkTrack()
{
    JjSandbox box;
    Published p = publish(box);
    // Someone else's branch appears on the remote.
    QString other = box.path("other");
    QProcessEnvironment seed = otherSeed(box);
    box.jj({"git", "clone", p.remote, other}, "/", seed);
    box.write(other + "/x.txt", "x\n");
    box.jj({"commit", "-m", "feature work"}, other, seed);
    box.jj({"bookmark", "set", "feature", "--allow-backwards", "-r", "@-"}, other, seed);
    box.jj({"bookmark", "track", "feature@origin"}, other, seed);
    QCOMPARE(box.jj({"git", "push", "--remote", "origin", "-b", "feature"}, other, seed).exitCode,
             0);

    box.jj({"git", "fetch"}, p.repo);
    QCOMPARE(box.jj({"bookmark", "list"}, p.repo).outLines().size(),
             1); // untracked remotes are not listed
    RunResult r = box.jj({"bookmark", "track", "feature@origin"}, p.repo);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.err, QByteArray("Started tracking 1 remote bookmarks.\n"));
    QStringList list = box.jj({"bookmark", "list"}, p.repo).outLines();
    QVERIFY(matches("feature: [k-z]{8} [0-9a-f]{8} feature work", list.value(0)));

    RunResult again = box.jj({"bookmark", "track", "feature@origin"}, p.repo);
    QCOMPARE(again.exitCode, 0);
    QCOMPARE(
        again.err,
        QByteArray("Warning: Remote bookmark already tracked: feature@origin\nNothing changed.\n"));
    RunResult missing = box.jj({"bookmark", "track", "nonexistent@origin"}, p.repo);
    QCOMPARE(missing.exitCode, 0);
    QCOMPARE(missing.err, QByteArray("Warning: No matching remote bookmarks for names: "
                                     "nonexistent@origin\nNothing changed.\n"));
    // A local bookmark the remote does not have yet is tracked as not created.
    box.jj({"bookmark", "create", "fresh"}, p.repo);
    QCOMPARE(box.jj({"bookmark", "track", "fresh@origin"}, p.repo).err,
             QByteArray("Started tracking 1 remote bookmarks.\n"));
    list = box.jj({"bookmark", "list"}, p.repo).outLines();
    QCOMPARE(list.value(2), QString("  @origin (not created yet)"));
}

void TestBookmarksRemotes::remoteAdd()
{
    JjSandbox box;
    QString repo = box.initRepo();
    RunResult r = box.jj({"git", "remote", "add", "foo", "http://example.com/repo/foo"}, repo);
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.isEmpty());
    QVERIFY(r.err.isEmpty());
    QCOMPARE(box.git({"remote", "get-url", "foo"}, repo),
             QByteArray("http://example.com/repo/foo\n"));
    RunResult dup = box.jj({"git", "remote", "add", "foo", "http://example.com/repo/foo2"}, repo);
    QCOMPARE(dup.exitCode, 1);
    QCOMPARE(dup.err, QByteArray("Error: Git remote named 'foo' already exists\n"));
    // A relative path is stored as an absolute one.
    box.jj({"git", "remote", "add", "local", "../elsewhere"}, repo);
    QCOMPARE(box.jj({"git", "remote", "list"}, repo).outLines().value(1),
             "local " + box.path("elsewhere"));
}

void TestBookmarksRemotes::pushCreatesAndMovesTheBranch()
{
    JjSandbox box;
    QString repo = box.initRepo();
    QString remote = box.bareRemote("remote.git");
    box.write(repo + "/a.txt", "a\n");
    box.jj({"commit", "-m", "first"}, repo);
    box.jj({"bookmark", "set", "main", "--allow-backwards", "-r", "@-"}, repo);
    box.jj({"git", "remote", "add", "origin", "file://" + remote}, repo);
    box.jj({"bookmark", "track", "main@origin"}, repo);
    QString first = box.commitId(repo, "main");

    RunResult r = box.jj({"git", "push", "--remote", "origin", "-b", "main"}, repo);
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.isEmpty());
    QCOMPARE(r.err, QByteArray("Changes to push to origin:\n  bookmark: main [add to " +
                               first.left(12).toUtf8() + "]\n"));
    QCOMPARE(remoteBranch(box, remote, "main"), first.toUtf8());
    QVERIFY(matches("main: [k-z]{8} [0-9a-f]{8} first",
                    box.jj({"bookmark", "list"}, repo).outLines().value(0)));

    RunResult same = box.jj({"git", "push", "--remote", "origin", "-b", "main"}, repo);
    QCOMPARE(same.exitCode, 0);
    QCOMPARE(same.err, QByteArray("Bookmark main@origin already matches main\nNothing changed.\n"));

    // Moving the bookmark on marks it as ahead until it is pushed.
    box.write(repo + "/b.txt", "b\n");
    box.jj({"commit", "-m", "second"}, repo);
    box.jj({"bookmark", "set", "main", "--allow-backwards", "-r", "@-"}, repo);
    QVERIFY(
        box.jj({"log", "--no-graph", "-r", "@-"}, repo).outLines().value(0).contains(" main* "));
    QStringList list = box.jj({"bookmark", "list"}, repo).outLines();
    QVERIFY(
        matches("  @origin \\(behind by 1 commits\\): [k-z]{8} [0-9a-f]{8} first", list.value(1)));
    QString second = box.commitId(repo, "main");
    RunResult moved = box.jj({"git", "push", "--remote", "origin", "-b", "main"}, repo);
    QCOMPARE(moved.errLines().value(1), "  bookmark: main [move forward from " + first.left(12) +
                                            " to " + second.left(12) + "]");
    QCOMPARE(remoteBranch(box, remote, "main"), second.toUtf8());
}

void TestBookmarksRemotes::pushRefusals()
{
    JjSandbox box;
    QString repo = box.initRepo();
    QString remote = box.bareRemote("remote.git");
    box.jj({"git", "remote", "add", "origin", remote}, repo);
    box.write(repo + "/a.txt", "a\n");
    box.jj({"new"}, repo);
    box.jj({"bookmark", "set", "my-bookmark", "--allow-backwards", "-r", "@-"}, repo);
    box.jj({"bookmark", "track", "my-bookmark@origin"}, repo);
    QString undescribed = box.commitId(repo, "@-");

    RunResult r = box.jj({"git", "push", "--remote", "origin", "-b", "my-bookmark"}, repo);
    QCOMPARE(r.exitCode, 1);
    QStringList err = r.errLines();
    QCOMPARE(err.value(0),
             "Error: Won't push commit " + undescribed.left(12) + " since it has no description");
    QVERIFY2(matches("Hint: Rejected commit: [k-z]{8} [0-9a-f]{8} my-bookmark\\* \\| \\(no "
                     "description set\\)",
                     err.value(1)),
             qPrintable(err.value(1)));
    QVERIFY(remoteBranch(box, remote, "my-bookmark").isEmpty());

    RunResult noRemote = box.jj({"git", "push", "--remote", "nowhere", "-b", "my-bookmark"}, repo);
    QCOMPARE(noRemote.exitCode, 1);
    QCOMPARE(noRemote.err, QByteArray("Error: No git remote named 'nowhere'\n"));
    RunResult noBookmark = box.jj({"git", "push", "--remote", "origin", "-b", "foo"}, repo);
    QCOMPARE(noBookmark.exitCode, 0);
    QCOMPARE(noBookmark.err,
             QByteArray("Warning: No matching bookmarks for names: foo\nNothing changed.\n"));
}

void TestBookmarksRemotes::pushedChangesBecomeImmutable()
{
    JjSandbox box;
    Published p = publish(box);
    RunResult r = box.jj({"describe", "-m", "rewrite", "-r", "main"}, p.repo);
    QCOMPARE(r.exitCode, 1);
    QVERIFY(r.err.startsWith(QByteArray(
        "Error: Commit " + box.commitId(p.repo, "main").left(12).toUtf8() + " is immutable\n")));
    // Pushing the working copy itself moves @ onto a new change.
    box.write(p.repo + "/w.txt", "w\n");
    box.jj({"describe", "-m", "wip", "-r", "@"}, p.repo);
    box.jj({"bookmark", "set", "main", "--allow-backwards", "-r", "@"}, p.repo);
    RunResult push = box.jj({"git", "push", "--remote", "origin", "-b", "main"}, p.repo);
    QCOMPARE(push.exitCode, 0);
    QVERIFY(push.err.contains(
        "Warning: The working-copy commit became immutable; a new commit has been created on "
        "top of it.\nWorking copy  (@) now at: "));
    QCOMPARE(box.descriptions(p.repo, "@"), QStringList{"(empty) (no description set)"});
}

void TestBookmarksRemotes::fetchImportsRemoteBookmarks()
{
    JjSandbox box;
    Published p = publish(box);
    QString other = box.path("other");
    QProcessEnvironment seed = otherSeed(box);
    QCOMPARE(box.jj({"git", "clone", p.remote, other}, "/", seed).exitCode, 0);
    box.write(other + "/more.txt", "more\n");
    box.jj({"commit", "-m", "upstream work"}, other, seed);
    box.jj({"bookmark", "set", "main", "--allow-backwards", "-r", "@-"}, other, seed);
    box.jj({"bookmark", "set", "longer-name", "--allow-backwards", "-r", "@-"}, other, seed);
    box.jj({"bookmark", "track", "longer-name@origin"}, other, seed);
    box.jj({"git", "push", "--remote", "origin", "-b", "main"}, other, seed);
    box.jj({"git", "push", "--remote", "origin", "-b", "longer-name"}, other, seed);

    RunResult r = box.jj({"git", "fetch"}, p.repo);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.err, QByteArray("bookmark: longer-name@origin [new] untracked\n"
                               "bookmark: main@origin        [updated] tracked\n"));
    // The tracked local bookmark followed; the new commit is visible and shared.
    QCOMPARE(box.commitId(p.repo, "main"), box.commitId(other, "main"));
    QVERIFY(box.descriptions(p.repo).contains("upstream work"));
    QVERIFY(box.jj({"log", "--no-graph", "-r", "main"}, p.repo)
                .outLines()
                .value(0)
                .contains(" longer-name@origin main "));

    RunResult again = box.jj({"git", "fetch"}, p.repo);
    QCOMPARE(again.exitCode, 0);
    QCOMPARE(again.err, QByteArray("Nothing changed.\n"));
}

void TestBookmarksRemotes::fetchFailures()
{
    JjSandbox box;
    QString repo = box.initRepo();
    RunResult none = box.jj({"git", "fetch"}, repo);
    QCOMPARE(none.exitCode, 1);
    QCOMPARE(none.err, QByteArray("Error: No git remotes to fetch from\n"));
    box.jj({"git", "remote", "add", "gone", box.path("missing.git")}, repo);
    RunResult missing = box.jj({"git", "fetch"}, repo);
    QCOMPARE(missing.exitCode, 1);
    QVERIFY(missing.err.startsWith("Error: "));
}

void TestBookmarksRemotes::cloneChecksOutTheDefaultBranch()
{
    JjSandbox box;
    Published p = publish(box);
    QString dest = box.path("clone");
    RunResult r = box.jj({"git", "clone", p.remote, dest}, "/");
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.isEmpty());
    QStringList err = r.errLines();
    QCOMPARE(err.value(0), "Fetching into new repo in \"" + dest + "\"");
    QCOMPARE(err.value(1), QString("bookmark: main@origin [new] tracked"));
    QCOMPARE(err.value(2), QString("Setting the revset alias `trunk()` to `main@origin`."));
    QVERIFY(matches(
        "Working copy  \\(@\\) now at: [k-z]{8} [0-9a-f]{8} \\(empty\\) \\(no description set\\)",
        err.value(3)));
    QVERIFY(matches("Parent commit \\(@-\\)      : [k-z]{8} [0-9a-f]{8} main \\| message",
                    err.value(4)));
    QCOMPARE(err.value(5), QString("Added 1 files, modified 0 files, removed 0 files"));

    QCOMPARE(box.read(dest + "/readme.txt"), QByteArray("hello\n"));
    QCOMPARE(box.jj({"git", "remote", "list"}, dest).out,
             QByteArray("origin " + p.remote.toUtf8() + "\n"));
    QVERIFY(matches("main: [k-z]{8} [0-9a-f]{8} message",
                    box.jj({"bookmark", "list"}, dest).outLines().value(0)));
    // Same change and commit ids as in the repository that pushed them.
    QCOMPARE(box.changeId(dest, "main"), box.changeId(p.repo, "main"));
    QCOMPARE(box.commitId(dest, "main"), box.commitId(p.repo, "main"));
    QCOMPARE(box.git({"rev-parse", "HEAD"}, dest).trimmed(), box.commitId(dest, "main").toUtf8());

    // A file:// URL works too; an empty repository gives an empty clone.
    RunResult url = box.jj({"git", "clone", "file://" + p.remote, box.path("by-url")}, "/");
    QCOMPARE(url.exitCode, 0);
    box.bareRemote("empty.git");
    RunResult empty = box.jj({"git", "clone", box.path("empty.git"), box.path("empty")}, "/");
    QCOMPARE(empty.exitCode, 0);
    QCOMPARE(empty.err, QByteArray("Fetching into new repo in \"" + box.path("empty").toUtf8() +
                                   "\"\nNothing changed.\n"));
}

void TestBookmarksRemotes::cloneFailures()
{
    JjSandbox box;
    RunResult bad = box.jj({"git", "clone", box.path("bad"), box.path("failed")}, "/");
    QCOMPARE(bad.exitCode, 1);
    QCOMPARE(bad.err, QByteArray("Fetching into new repo in \"" + box.path("failed").toUtf8() +
                                 "\"\nError: Could not find repository at '" +
                                 box.path("bad").toUtf8() + "'\n"));
    QVERIFY(!QFile::exists(box.path("failed")));
    box.write("occupied/file.txt", "x\n");
    box.bareRemote("remote.git");
    RunResult exists = box.jj({"git", "clone", box.path("remote.git"), box.path("occupied")}, "/");
    QCOMPARE(exists.exitCode, 1);
    QCOMPARE(exists.err,
             QByteArray("Error: Destination path exists and is not an empty directory\n"));
}

QTEST_GUILESS_MAIN(TestBookmarksRemotes)
#include "tst_bookmarksremotes.moc"

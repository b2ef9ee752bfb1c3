// The readers against what the bundled jj prints, through the controller's own loads and
// operations on real repositories, under a user configuration that changes every output
// the application reads. What jj itself holds is asked of jj with templates of the test's
// own, so the readers are checked against jj's meaning, not against our idea of its text.
#include "model/LogReader.h"
#include "model/RepoController.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QProcess>
#include <QTest>

using testing::AlertRecorder;
using testing::RecordingJj;

namespace {

// One line per change: what jj holds for the fields the list reads.
const char *const listTemplate =
    R"tpl(change_id.shortest(8) ++ "|" ++ commit_id.shortest(8) ++ "|" ++
       coalesce(author.email(), "(no email set)") ++ "|" ++
       committer.timestamp().local().format("%Y-%m-%d %H:%M:%S") ++ "|" ++
       separate(" ", if(empty, "(empty)"),
                if(description, description.first_line(), "(no description set)")) ++ "\n")tpl";

QString describeRecord(const ChangePtr &change)
{
    return change->changeId() + u'|' + change->commitHash() + u'|' + change->author() + u'|' +
           change->timestamp() + u'|' + change->description();
}

QStringList records(const QList<ChangePtr> &changes)
{
    QStringList lines;
    for (const ChangePtr &change : changes)
        lines.append(describeRecord(change));
    return lines;
}

} // namespace

class TestJjOutput : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<RecordingJj> m_jj;
    std::unique_ptr<AlertRecorder> m_alerts;
    std::unique_ptr<RepoController> m_controller;
    QString m_path;

    // Runs jj in the repository for the test's own set-up and questions.
    QString jj(const QStringList &arguments)
    {
        int exitCode = -1;
        const QString output = testing::runJj(m_path, arguments, &exitCode);
        if (exitCode != 0)
            qWarning("jj %s failed", qPrintable(arguments.join(u' ')));
        return output;
    }
    QString jjAt(const QString &revision, const QString &templateText)
    {
        return jj({QStringLiteral("log"), QStringLiteral("--no-graph"), QStringLiteral("-r"),
                   revision, QStringLiteral("-T"), templateText});
    }
    // What jj holds for the changes of a revset, or of jj's default log without one.
    QStringList expectedList(const QString &revset = QString())
    {
        QStringList arguments{QStringLiteral("log"), QStringLiteral("--no-graph"),
                              QStringLiteral("-T"), QString::fromUtf8(listTemplate)};
        if (!revset.isEmpty())
            arguments << QStringLiteral("-r") << revset;
        QStringList lines = jj(arguments).split(u'\n');
        lines.removeLast();
        // The root has no author or time; jj's template gives it a time of its own.
        if (!lines.isEmpty() && lines.last().startsWith(QStringLiteral("zzzzzzzz|")))
            lines.last() = QStringLiteral("zzzzzzzz|00000000|||");
        return lines;
    }
    QString stored(const QString &revision)
    {
        return jjAt(revision, QStringLiteral("description"));
    }
    void write(const QString &name, const QByteArray &contents)
    {
        testing::writeFile(m_path + u'/' + name, contents);
    }
    void commit(const QString &message)
    {
        jj({QStringLiteral("commit"), QStringLiteral("--message=") + message});
    }
    // The change of that revision as the list reads it.
    ChangePtr listed(const QString &revision)
    {
        const QList<ChangePtr> changes = parseChanges(jj(
            {QStringLiteral("log"), QStringLiteral("--no-graph"), QStringLiteral("-r"), revision}));
        return changes.isEmpty() ? std::make_shared<Change>() : changes.first();
    }
    Folder folder() const { return m_controller->repo().folder; }
    QStringList listedIds()
    {
        QStringList ids;
        for (const QString &line : expectedList(QStringLiteral("::")))
            ids.append(line.section(u'|', 0, 0));
        return ids;
    }
    QString descriptionOfRow(const QString &revision)
    {
        const QString id = jjAt(revision, QStringLiteral("change_id.shortest(8)"));
        for (const ChangePtr &change : m_controller->repo().changes)
            if (namesSameChange(change->changeId(), id))
                return change->description();
        return QStringLiteral("(not listed)");
    }
    // A change made after the working copy, beside it: All Changes lists it on top. The
    // working copy gets a file, or jj would drop it on leaving it.
    QString makeSideChangeAboveTheWorkingCopy()
    {
        write(QStringLiteral("wip.txt"), "wip\n");
        const QString workingCopy = jjAt(QStringLiteral("@"), QStringLiteral("change_id"));
        jj({QStringLiteral("new"), QStringLiteral("root()"), QStringLiteral("-m"),
            QStringLiteral("Side")});
        const QString side = jjAt(QStringLiteral("@"), QStringLiteral("change_id"));
        jj({QStringLiteral("edit"), workingCopy});
        return side;
    }

    void makeHistory() { testing::makeHistory(m_path); }

private slots:
    void init()
    {
        m_jj = std::make_unique<RecordingJj>();
        m_alerts = std::make_unique<AlertRecorder>();
        m_path = m_jj->workspace() + QStringLiteral("/demo repo");
        const QUrl url = QUrl::fromLocalFile(m_path);
        QVERIFY(QCoro::waitFor(Repo::create(url)));
        m_controller = std::make_unique<RepoController>(url);
    }

    void cleanup()
    {
        const bool unexpectedAlerts = !m_alerts->alerts.isEmpty();
        m_controller.reset();
        m_alerts.reset();
        m_jj.reset();
        QVERIFY(!unexpectedAlerts || QTest::currentTestFailed());
    }

    void listsInEverySelection()
    {
        makeHistory();
        jj({QStringLiteral("bookmark"), QStringLiteral("create"), QStringLiteral("-r"),
            QStringLiteral("@----"), QStringLiteral("main")});

        QCoro::waitFor(m_controller->loadChanges(ChangeCategory::allChanges));
        QCOMPARE(records(m_controller->repo().changes), expectedList(QStringLiteral("::")));
        QCoro::waitFor(m_controller->loadChanges(ChangeCategory::mutableChanges));
        QCOMPARE(records(m_controller->repo().changes), expectedList());
        QCoro::waitFor(m_controller->loadChanges(ChangeCategory::myChanges));
        QCOMPARE(records(m_controller->repo().changes), expectedList(QStringLiteral("mine()")));
        const QList<Bookmark> bookmarks = QCoro::waitFor(m_controller->listBookmarks());
        QCOMPARE(bookmarks.size(), 1);
        QCoro::waitFor(m_controller->loadChanges(SidebarSelection::bookmark(bookmarks[0])));
        QCOMPARE(records(m_controller->repo().changes),
                 expectedList(QStringLiteral("ancestors(main)")));
    }

    void showReadsEveryKindOfChange()
    {
        makeHistory();
        QCoro::waitFor(m_controller->loadChanges(ChangeCategory::allChanges));
        const QList<ChangePtr> changes = m_controller->repo().changes;
        QVERIFY(changes.size() >= 10);
        for (const ChangePtr &change : changes) {
            const QString revision = change->changeId();
            const QString description = stored(revision);
            const CommandResult editable =
                QCoro::waitFor(change->loadEditableDescription(folder()));
            QVERIFY2(!editable.isError, qPrintable(revision));
            // jj stores a description with its final line break.
            QCOMPARE(description.isEmpty() ? QString() : editable.text + u'\n', description);
            QCOMPARE(change->description(), description.isEmpty()
                                                ? QStringLiteral("(no description set)")
                                                : editable.text);
            QCOMPARE(change->changeId(), jjAt(revision, QStringLiteral("change_id")));
            QCOMPARE(change->commitHash(), jjAt(revision, QStringLiteral("commit_id")));
            QCOMPARE(change->author(),
                     jjAt(revision, QStringLiteral("coalesce(author.name(), \"(no name set)\")")));
            QCOMPARE(change->timestamp(),
                     jjAt(revision, QStringLiteral("author.timestamp().local().format(\"%Y-%m-%d "
                                                   "%H:%M:%S\")")));
            const QString diff = QCoro::waitFor(change->diff(folder()));
            QCOMPARE(change->changedText(), diff);
        }
    }

    void descriptionsSurviveAnEditUnchanged()
    {
        makeHistory();
        QCoro::waitFor(m_controller->loadChanges(ChangeCategory::allChanges));
        int edited = 0;
        for (const ChangePtr &change : m_controller->repo().changes) {
            if (change->changeId() == QStringLiteral("zzzzzzzz"))
                continue;
            const QString before = stored(change->changeId());
            const CommandResult text = QCoro::waitFor(change->loadEditableDescription(folder()));
            QVERIFY(!text.isError);
            QVERIFY(!QCoro::waitFor(change->describe(text.text, folder())).isError);
            QCOMPARE(stored(change->changeId()), before);
            ++edited;
        }
        QVERIFY(edited >= 9);
    }

    void refusedDescriptionsAreReportedAndKept()
    {
        write(QStringLiteral("a.txt"), "a\n");
        commit(QStringLiteral("Published"));
        // A bookmark pushed to a remote makes its change immutable.
        const QString bare = m_jj->workspace() + QStringLiteral("/remotes/origin.git");
        QProcess::execute(QStringLiteral("git"), {QStringLiteral("init"), QStringLiteral("-q"),
                                                  QStringLiteral("--bare"), bare});
        jj({QStringLiteral("git"), QStringLiteral("remote"), QStringLiteral("add"),
            QStringLiteral("origin"), bare});
        jj({QStringLiteral("bookmark"), QStringLiteral("create"), QStringLiteral("main"),
            QStringLiteral("-r"), QStringLiteral("@-")});
        jj({QStringLiteral("bookmark"), QStringLiteral("track"), QStringLiteral("main@origin")});
        jj({QStringLiteral("git"), QStringLiteral("push"), QStringLiteral("-b"),
            QStringLiteral("main")});
        QCoro::waitFor(m_controller->loadChanges(ChangeCategory::allChanges));
        const QList<ChangePtr> changes = m_controller->repo().changes;
        QCOMPARE(changes.size(), 3);

        // The published change, then the root.
        for (const ChangePtr &change : {changes[1], changes[2]}) {
            const QString before = change->description();
            const QString held = stored(change->changeId());
            m_controller->modifyRepo([&](Repo &repo) { repo.selectedChanges = ChangeSet{change}; });
            QCoro::waitFor(m_controller->describeFirstSelected(QStringLiteral("Rewritten")));
            QCOMPARE(m_alerts->alerts.size(), 1);
            QCOMPARE(m_alerts->alerts[0].message, QStringLiteral("Error running command"));
            QVERIFY2(m_alerts->alerts[0].informative.contains(QStringLiteral("immutable")),
                     qPrintable(m_alerts->alerts[0].informative));
            m_alerts->alerts.clear();
            QCOMPARE(change->description(), before);
            QCOMPARE(stored(change->changeId()), held);
        }
    }

    void marksAreNoIds()
    {
        write(QStringLiteral("a.txt"), "a\n");
        commit(QStringLiteral("Base"));
        jj({QStringLiteral("bookmark"), QStringLiteral("create"), QStringLiteral("-r"),
            QStringLiteral("@-"), QStringLiteral("main")});
        // A git branch whose name jj quotes.
        QProcess::execute(QStringLiteral("git"),
                          {QStringLiteral("-C"), m_path, QStringLiteral("branch"),
                           QStringLiteral("fix(ui)"), QStringLiteral("HEAD")});
        // A divergent change and a conflicted bookmark: two operations from one start.
        jj({QStringLiteral("new"), QStringLiteral("-m"), QStringLiteral("Work")});
        const QString operation =
            jj({QStringLiteral("op"), QStringLiteral("log"), QStringLiteral("--no-graph"),
                QStringLiteral("-n1"), QStringLiteral("-T"), QStringLiteral("id.short()")});
        jj({QStringLiteral("describe"), QStringLiteral("-m"), QStringLiteral("A")});
        jj({QStringLiteral("bookmark"), QStringLiteral("set"), QStringLiteral("main"),
            QStringLiteral("-r"), QStringLiteral("@")});
        jj({QStringLiteral("--at-op"), operation, QStringLiteral("describe"), QStringLiteral("-m"),
            QStringLiteral("B")});
        jj({QStringLiteral("--at-op"), operation, QStringLiteral("bookmark"), QStringLiteral("set"),
            QStringLiteral("main"), QStringLiteral("--allow-backwards"), QStringLiteral("-r"),
            QStringLiteral("root()")});

        QCoro::waitFor(m_controller->loadChanges(ChangeCategory::allChanges));
        QCOMPARE(records(m_controller->repo().changes), expectedList(QStringLiteral("::")));
        const QList<ChangePtr> changes = m_controller->repo().changes;
        QVERIFY(changes[0]->isDivergent());
        QCOMPARE(changes[0]->changeId(), changes[1]->changeId());
        // Each of the two commits is the one its row names.
        for (int row : {0, 1}) {
            const QString commitId = changes[row]->commitHash();
            QCoro::waitFor(changes[row]->show(folder()));
            QVERIFY(changes[row]->commitHash().startsWith(commitId));
            QCOMPARE(changes[row]->description(), stored(commitId).trimmed());
            QVERIFY(!QCoro::waitFor(changes[row]->diff(folder())).startsWith(u'E'));
        }

        const QList<Bookmark> bookmarks = QCoro::waitFor(m_controller->listBookmarks());
        QStringList names;
        for (const Bookmark &bookmark : bookmarks) {
            names.append(bookmark.name);
            QVERIFY(!bookmark.latestChange->changeId().startsWith(u'('));
        }
        QCOMPARE(names, (QStringList{QStringLiteral("fix(ui)"), QStringLiteral("main")}));
        QVERIFY(bookmarks[1].latestChange->changeId().isEmpty()); // conflicted
        // The quoted name is quoted again where jj reads it as a revset.
        QCoro::waitFor(m_controller->loadChanges(SidebarSelection::bookmark(bookmarks[0])));
        QCOMPARE(records(m_controller->repo().changes),
                 expectedList(QStringLiteral("ancestors(\"fix(ui)\")")));
    }

    void remotesAndTrackedBookmarks()
    {
        write(QStringLiteral("a.txt"), "a\n");
        commit(QStringLiteral("Tip"));
        QCoro::waitFor(m_controller->loadChanges(ChangeCategory::allChanges));
        const ChangePtr tip = m_controller->repo().changes[1];
        m_controller->modifyRepo([&](Repo &repo) { repo.selectedChanges = ChangeSet{tip}; });
        QCOMPARE(QCoro::waitFor(m_controller->addBookmark(QStringLiteral("feature"))).latestChange,
                 tip);
        QCoro::waitFor(m_controller->addBookmark(QStringLiteral("old-topic")));

        // A second remote whose name looks like an option.
        const QString bare = m_jj->workspace() + QStringLiteral("/remotes/origin.git");
        QDir().mkpath(bare);
        QProcess::execute(QStringLiteral("git"), {QStringLiteral("init"), QStringLiteral("-q"),
                                                  QStringLiteral("--bare"), bare});
        const Remote origin =
            QCoro::waitFor(m_controller->addRemote(QStringLiteral("origin"), bare));
        QCOMPARE(origin.name, QStringLiteral("origin"));
        QCoro::waitFor(m_controller->addRemote(QStringLiteral("-backup"), bare));
        const QList<Remote> remotes = QCoro::waitFor(m_controller->listRemotes());
        QCOMPARE(remotes.size(), 2);
        QCOMPARE(remotes[0].name, QStringLiteral("-backup"));
        QCOMPARE(remotes[1].name, QStringLiteral("origin"));
        QVERIFY(remotes[1].url.toLocalFile().endsWith(QStringLiteral("/remotes/origin.git")));

        for (const QString &name : {QStringLiteral("feature"), QStringLiteral("old-topic")}) {
            QCoro::waitFor(m_controller->trackBookmark(name, origin));
            QCoro::waitFor(m_controller->push(tip->revision(), name, origin));
        }
        jj({QStringLiteral("bookmark"), QStringLiteral("delete"), QStringLiteral("old-topic")});
        const QList<Bookmark> bookmarks = QCoro::waitFor(m_controller->listBookmarks());
        QCOMPARE(bookmarks.size(), 2);
        QCOMPARE(bookmarks[0].name, QStringLiteral("feature"));
        QCOMPARE(bookmarks[0].latestChange->changeId(), tip->changeId());
        QCOMPARE(bookmarks[0].latestChange->commitHash(), tip->commitHash());
        QCOMPARE(bookmarks[0].latestChange->description(), QStringLiteral("Tip"));
        QCOMPARE(bookmarks[1].name, QStringLiteral("old-topic"));
        QVERIFY(bookmarks[1].latestChange->changeId().isEmpty()); // deleted here

        QCoro::waitFor(m_controller->pull());
        QCOMPARE(m_jj->commands().last(), testing::argv({"git", "fetch"}));
    }

    void commitDescribesTheCommittedChangeWhereverItIsListed()
    {
        write(QStringLiteral("a.txt"), "a\n");
        commit(QStringLiteral("Base"));
        jj({QStringLiteral("bookmark"), QStringLiteral("create"), QStringLiteral("-r"),
            QStringLiteral("@-"), QStringLiteral("main")});
        const QList<Bookmark> bookmarks = QCoro::waitFor(m_controller->listBookmarks());
        QCoro::waitFor(m_controller->loadChanges(SidebarSelection::bookmark(bookmarks.value(0))));
        const QStringList shown = testing::changeIds(m_controller->repo().changes);
        QCOMPARE(shown.size(), 2);

        // The bookmark's list holds neither the committed change nor the new working copy.
        write(QStringLiteral("b.txt"), "b\n");
        QCoro::waitFor(m_controller->commit(QStringLiteral("Second")));
        QCOMPARE(stored(QStringLiteral("@-")), QStringLiteral("Second\n"));
        QCOMPARE(testing::changeIds(m_controller->repo().changes), shown);
        QCOMPARE(m_controller->repo().changes[0]->description(), QStringLiteral("Base"));

        // All Changes with a change above the working copy.
        makeSideChangeAboveTheWorkingCopy();
        QCoro::waitFor(m_controller->loadChanges(ChangeCategory::allChanges));
        QCOMPARE(descriptionOfRow(QStringLiteral("@")), QStringLiteral("(no description set)"));
        QCoro::waitFor(m_controller->commit(QStringLiteral("Third")));
        // The new working copy on top, the rest as listed before: what jj lists, maybe in
        // another order.
        QStringList ids = testing::changeIds(m_controller->repo().changes);
        QCOMPARE(ids.first(), jjAt(QStringLiteral("@"), QStringLiteral("change_id.shortest(8)")));
        QStringList expected = listedIds();
        ids.sort();
        expected.sort();
        QCOMPARE(ids, expected);
        QCOMPARE(descriptionOfRow(QStringLiteral("@-")), QStringLiteral("Third"));
        QCOMPARE(descriptionOfRow(QStringLiteral("description(Side)")),
                 QStringLiteral("(empty) Side"));
    }

    void pushPointsTheBookmarkAtTheWorkingCopysParent()
    {
        write(QStringLiteral("a.txt"), "a\n");
        commit(QStringLiteral("Base"));
        write(QStringLiteral("b.txt"), "b\n");
        commit(QStringLiteral("Tip"));
        jj({QStringLiteral("bookmark"), QStringLiteral("create"), QStringLiteral("-r"),
            QStringLiteral("@--"), QStringLiteral("main")});
        const QString bare = m_jj->workspace() + QStringLiteral("/remotes/origin.git");
        QDir().mkpath(bare);
        QProcess::execute(QStringLiteral("git"), {QStringLiteral("init"), QStringLiteral("-q"),
                                                  QStringLiteral("--bare"), bare});
        QCoro::waitFor(m_controller->addRemote(QStringLiteral("origin"), bare));
        makeSideChangeAboveTheWorkingCopy();
        QCoro::waitFor(m_controller->loadChanges(ChangeCategory::allChanges));
        QCoro::waitFor(m_controller->loadBookmarksAndRemotes());
        m_controller->selectFirstBookmarkAndRemote();
        QCOMPARE(m_controller->repo().changes.size(), 5);

        QCoro::waitFor(m_controller->pushCurrentBookmark());
        const QString tip = jjAt(QStringLiteral("@-"), QStringLiteral("commit_id"));
        QCOMPARE(jjAt(QStringLiteral("main"), QStringLiteral("commit_id")), tip);
        auto pushed = [&] {
            QProcess git;
            git.start(QStringLiteral("git"), {QStringLiteral("--git-dir"), bare,
                                              QStringLiteral("rev-parse"), QStringLiteral("main")});
            git.waitForFinished();
            return QString::fromUtf8(git.readAllStandardOutput()).trimmed();
        };
        QCOMPARE(pushed(), tip);
        QVERIFY(m_alerts->alerts.isEmpty());

        // A working copy with two parents names no one change to push: jj says so, and
        // nothing is pushed.
        jj({QStringLiteral("new"), QStringLiteral("@-"), QStringLiteral("description(Side)")});
        m_jj->clear();
        QCoro::waitFor(m_controller->pushCurrentBookmark());
        QCOMPARE(m_alerts->alerts.size(), 1);
        QVERIFY(m_alerts->alerts[0].informative.contains(QStringLiteral("more than one")));
        for (const QStringList &command : m_jj->commands())
            QVERIFY(command.mid(0, 2) != testing::argv({"git", "push"}));
        QCOMPARE(pushed(), tip);
        m_alerts->alerts.clear();
    }

    void textsLikeOptionsReachJj()
    {
        write(QStringLiteral("a.txt"), "a\n");
        QCoro::waitFor(m_controller->commit(QStringLiteral("- fix the thing")));
        QCOMPARE(stored(QStringLiteral("@-")), QStringLiteral("- fix the thing\n"));
        const ChangePtr change = listed(QStringLiteral("@-"));
        QCoro::waitFor(change->describe(QStringLiteral("-m is no option"), folder()));
        QCOMPARE(stored(QStringLiteral("@-")), QStringLiteral("-m is no option\n"));
        m_controller->modifyRepo([&](Repo &repo) { repo.selectedChanges = ChangeSet{change}; });
        QCoro::waitFor(m_controller->addBookmark(QStringLiteral("-x")));
        QCOMPARE(QCoro::waitFor(m_controller->listBookmarks()).value(0).name, QStringLiteral("-x"));
    }

    void pinnedDisplaySettingsWin()
    {
        makeHistory();
        jj({QStringLiteral("bookmark"), QStringLiteral("create"), QStringLiteral("-r"),
            QStringLiteral("@--"), QStringLiteral("main")});
        auto readAll = [this] {
            QStringList all;
            for (const ChangeCategory category : allChangeCategories) {
                QCoro::waitFor(m_controller->loadChanges(category));
                all += records(m_controller->repo().changes);
            }
            for (const ChangePtr &change : m_controller->repo().changes) {
                QCoro::waitFor(change->show(folder()));
                all += describeRecord(change);
            }
            for (const Bookmark &bookmark : QCoro::waitFor(m_controller->listBookmarks()))
                all += bookmark.name + u'|' + describeRecord(bookmark.latestChange);
            return all;
        };
        const QStringList hostile = readAll();
        const QString empty = m_jj->workspace() + QStringLiteral("/empty.toml");
        testing::writeFile(empty, "");
        testing::useUserJjConfig(empty);
        const QStringList plain = readAll();
        testing::useUserJjConfig(testing::hostileJjConfig());
        QCOMPARE(hostile, plain);
    }
};

QTEST_GUILESS_MAIN(TestJjOutput)
#include "tst_jjoutput.moc"

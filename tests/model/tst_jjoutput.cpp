// The readers against what the bundled jj prints, through the controller's own loads
// and operations on a real repository.
#include "model/RepoController.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

using testing::AlertRecorder;
using testing::RecordingJj;

namespace {
bool matches(const QString &pattern, const QString &text)
{
    return QRegularExpression(QRegularExpression::anchoredPattern(pattern)).match(text).hasMatch();
}
} // namespace

class TestJjOutput : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<RecordingJj> m_jj;
    std::unique_ptr<AlertRecorder> m_alerts;
    std::unique_ptr<RepoController> m_controller;
    QString m_path;

    void write(const QString &name, const QByteArray &contents)
    {
        testing::writeFile(m_path + u'/' + name, contents);
    }

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

    void historyReadsIntoTheRightFields()
    {
        write(QStringLiteral("a.txt"), "hello\n");
        QCoro::waitFor(
            m_controller->commit(QStringLiteral("First change\n\n  with an indented body")));
        write(QStringLiteral("a.txt"), "hello\nworld\n");
        write(QStringLiteral("b.txt"), "new file\n");
        QCoro::waitFor(m_controller->commit(QStringLiteral("Second")));
        QCoro::waitFor(m_controller->loadChanges(ChangeCategory::allChanges));

        const QList<ChangePtr> changes = m_controller->repo().changes;
        QCOMPARE(changes.size(), 4);
        QCOMPARE(changes[0]->description(), QStringLiteral("(empty) (no description set)"));
        QCOMPARE(changes[1]->description(), QStringLiteral("Second"));
        QCOMPARE(changes[2]->description(), QStringLiteral("First change"));
        QCOMPARE(changes[3]->changeId(), QStringLiteral("zzzzzzzz"));
        for (qsizetype i = 0; i < 3; ++i) {
            QVERIFY2(matches(QStringLiteral("[k-z]{8,}"), changes[i]->changeId()),
                     qPrintable(changes[i]->changeId()));
            QCOMPARE(changes[i]->author(), QStringLiteral("test.user@example.com"));
            QCOMPARE(changes[i]->timestamp(), QStringLiteral("2001-02-02 21:05:06"));
            QVERIFY(matches(QStringLiteral("[0-9a-f]{8,}"), changes[i]->commitHash()));
        }

        const ChangePtr first = changes[2];
        const QString shortId = first->changeId();
        const QString shortCommit = first->commitHash();
        QCoro::waitFor(first->show(m_controller->repo().folder));
        QVERIFY(first->changeId().startsWith(shortId));
        QCOMPARE(first->changeId().size(), 32);
        QVERIFY(first->commitHash().startsWith(shortCommit));
        QCOMPARE(first->commitHash().size(), 40);
        QCOMPARE(first->author(), QStringLiteral("Test User"));
        QCOMPARE(first->timestamp(), QStringLiteral("2001-02-02 21:05:06"));
        QCOMPARE(first->description(), QStringLiteral("First change\n\nwith an indented body"));

        const QString diff = QCoro::waitFor(changes[1]->diff(m_controller->repo().folder));
        QVERIFY(diff.startsWith(QStringLiteral("diff --git a/a.txt b/a.txt\n")));
        QVERIFY(diff.contains(QStringLiteral("+world\n")));
        QVERIFY(
            diff.contains(QStringLiteral("diff --git a/b.txt b/b.txt\nnew file mode 100644\n")));
        QCOMPARE(changes[1]->changedText(), diff);

        // A change without a description, and the working copy.
        QCoro::waitFor(changes[0]->show(m_controller->repo().folder));
        QCOMPARE(changes[0]->description(), QStringLiteral("(no description set)"));
    }

    void workingCopyOperationsMatchTheLog()
    {
        QCoro::waitFor(m_controller->loadChanges(ChangeCategory::mutableChanges));
        QCOMPARE(m_controller->repo().changes.size(), 2);
        QCoro::waitFor(m_controller->addChange());
        QCoro::waitFor(m_controller->commit(QStringLiteral("Described")));
        const QStringList listed = testing::changeIds(m_controller->repo().changes);
        QCOMPARE(m_controller->repo().changes[1]->description(), QStringLiteral("Described"));
        QCoro::waitFor(m_controller->loadChanges(ChangeCategory::mutableChanges));
        QCOMPARE(testing::changeIds(m_controller->repo().changes), listed);
        // The log marks the change empty; the local write did not.
        QCOMPARE(m_controller->repo().changes[1]->description(),
                 QStringLiteral("(empty) Described"));

        // Merge of the two described changes' parents, then abandon of the merge.
        const ChangeSet parents{m_controller->repo().changes[1], m_controller->repo().changes[2]};
        QCoro::waitFor(m_controller->merge(parents));
        QCOMPARE(m_controller->repo().changes[0]->description(), QStringLiteral("(empty) Merge"));
        QCoro::waitFor(m_controller->abandon(ChangeSet{m_controller->repo().changes[0]}));
        QCoro::waitFor(m_controller->loadChanges(ChangeCategory::allChanges));
        for (const ChangePtr &change : m_controller->repo().changes)
            QVERIFY(!change->description().contains(QStringLiteral("Merge")));
    }

    void bookmarksAndRemotes()
    {
        QCoro::waitFor(m_controller->commit(QStringLiteral("Tip")));
        QCoro::waitFor(m_controller->loadChanges(ChangeCategory::allChanges));
        const ChangePtr tip = m_controller->repo().changes[1];
        m_controller->modifyRepo([&](Repo &repo) { repo.selectedChanges = ChangeSet{tip}; });
        const Bookmark made = QCoro::waitFor(m_controller->addBookmark(QStringLiteral("feature")));
        QCOMPARE(made.latestChange, tip);

        const QString bare = m_jj->workspace() + QStringLiteral("/remote.git");
        QProcess::execute(QStringLiteral("git"), {QStringLiteral("init"), QStringLiteral("-q"),
                                                  QStringLiteral("--bare"), bare});
        const Remote origin = QCoro::waitFor(
            m_controller->addRemote(QStringLiteral("origin"), QUrl::fromLocalFile(bare)));
        QCOMPARE(origin.name, QStringLiteral("origin"));

        const QList<Remote> remotes = QCoro::waitFor(m_controller->listRemotes());
        QCOMPARE(remotes.first().name, QStringLiteral("origin"));
        // The location is taken as a path, even when it is written as a URL.
        QVERIFY(remotes.first().url.toLocalFile().endsWith(QUrl::fromLocalFile(bare).toString()));

        // jj pushes a bookmark the remote lacks only once it is tracked.
        QCoro::waitFor(m_controller->trackBookmark(QStringLiteral("feature"), origin));
        QCoro::waitFor(m_controller->push(tip, QStringLiteral("feature"), origin));
        const QList<Bookmark> bookmarks = QCoro::waitFor(m_controller->listBookmarks());
        QCOMPARE(bookmarks.size(), 1);
        QCOMPARE(bookmarks[0].name, QStringLiteral("feature"));
        QCOMPARE(bookmarks[0].latestChange->changeId(), tip->changeId());
        QCOMPARE(bookmarks[0].latestChange->commitHash(), tip->commitHash());
        QCOMPARE(bookmarks[0].latestChange->description(), QStringLiteral("(empty) Tip"));

        QCoro::waitFor(m_controller->loadChanges(SidebarSelection::bookmark(bookmarks[0])));
        QCOMPARE(m_controller->repo().changes.first()->changeId(), tip->changeId());
        QCOMPARE(m_controller->repo().changes.last()->changeId(), QStringLiteral("zzzzzzzz"));

        QCoro::waitFor(m_controller->pull());
        QCOMPARE(m_jj->commands().last(), testing::argv({"git", "fetch"}));
    }

    void failuresReachTheAlert()
    {
        QCoro::waitFor(
            m_controller->rebase(ChangeSet{testing::makeChange(QStringLiteral("nosuch"))},
                                 testing::makeChange(QStringLiteral("zzzzzzzz"))));
        QCOMPARE(m_alerts->alerts.size(), 1);
        QVERIFY(m_alerts->alerts[0].informative.startsWith(QStringLiteral("Error: ")));
        m_alerts->alerts.clear();
    }
};

QTEST_GUILESS_MAIN(TestJjOutput)
#include "tst_jjoutput.moc"

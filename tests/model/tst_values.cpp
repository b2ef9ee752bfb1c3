#include "model/RepoController.h"
#include "model/SafeAccess.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "support/TestSupport.h"

namespace {

QUrl folderUrl(const QString &path)
{
    return QUrl::fromLocalFile(path);
}

Repo sampleRepo()
{
    Repo repo = Repo::empty(folderUrl(QStringLiteral("/srv/demo")));
    repo.changes = {testing::makeChange(QStringLiteral("aaa"), QStringLiteral("first")),
                    testing::makeChange(QStringLiteral("bbb"), QStringLiteral("second"))};
    repo.selectedChanges.insert(repo.changes[1]);
    repo.bookmarks = {Bookmark{QStringLiteral("main"), repo.changes[0]}};
    repo.remotes = {Remote{QStringLiteral("origin"), folderUrl(QStringLiteral("/srv/r.git"))}};
    return repo;
}

} // namespace

class TestValues : public QObject {
    Q_OBJECT

private slots:
    void folderNames()
    {
        QCOMPARE(Folder(folderUrl(QStringLiteral("/Users/a/Projects/demo"))).name(),
                 QStringLiteral("demo"));
        QCOMPARE(Folder(folderUrl(QStringLiteral("/Users/a/Projects/demo/"))).name(),
                 QStringLiteral("demo"));
        QCOMPARE(Folder(folderUrl(QStringLiteral("/"))).name(), QString());
        QCOMPARE(Folder(folderUrl(QStringLiteral("/tmp/my repo ü"))).name(),
                 QStringLiteral("my repo ü"));
        const Folder folder(folderUrl(QStringLiteral("/tmp/a b%20c")));
        QCOMPARE(Folder::fromJson(Json::parse(folder.toJson().dump())), folder);
        QVERIFY_THROWS_EXCEPTION(CodingError, Folder::fromJson(Json::object()));
    }

    void sidebarSelections()
    {
        Bookmark one{QStringLiteral("main"), testing::makeChange(QStringLiteral("x"))};
        Bookmark two{QStringLiteral("main"), testing::makeChange(QStringLiteral("y"))};
        const auto all = SidebarSelection::change(ChangeCategory::allChanges);
        QVERIFY(SidebarSelection::bookmark(one) == SidebarSelection::bookmark(two));
        QCOMPARE(qHash(SidebarSelection::bookmark(one)), qHash(SidebarSelection::bookmark(two)));
        QVERIFY(!(all == SidebarSelection::change(ChangeCategory::myChanges)));
        QVERIFY(!(all == SidebarSelection::bookmark(Bookmark{QStringLiteral("allChanges"), {}})));
        QVERIFY(all == SidebarSelection::change(ChangeCategory::allChanges));
        QCOMPARE(allChangeCategories.size(), 3u);
        QCOMPARE(allChangeCategories[0], ChangeCategory::allChanges);
        QCOMPARE(allChangeCategories[2], ChangeCategory::myChanges);
    }

    void safeElementAccess()
    {
        const QList<int> one{7};
        QCOMPARE(elementAt(one, 0), std::optional<int>(7));
        QCOMPARE(elementAt(one, -1), std::nullopt);
        QCOMPARE(elementAt(one, 1), std::nullopt);
        QCOMPARE(elementAt(QList<int>(), 0), std::nullopt);
    }

    void repoEquality()
    {
        const Repo a = sampleRepo();
        Repo b = sampleRepo();
        QVERIFY(a == b);
        QCOMPARE(qHash(a), qHash(b));

        // Fields the element equalities ignore leave the values equal.
        b.changes[0]->setDescription(QStringLiteral("changed"));
        b.bookmarks[0].latestChange = testing::makeChange(QStringLiteral("elsewhere"));
        b.remotes[0].name = QStringLiteral("renamed");
        QVERIFY(a == b);

        Repo reordered = sampleRepo();
        std::swap(reordered.changes[0], reordered.changes[1]);
        QVERIFY(!(a == reordered));

        Repo otherBookmarks = sampleRepo();
        otherBookmarks.bookmarks.append(
            Bookmark{QStringLiteral("dev"), testing::makeChange(QString())});
        QVERIFY(!(a == otherBookmarks));
        QCOMPARE(qHash(a), qHash(otherBookmarks)); // Hashing feeds the folder and changes only.

        Repo otherSelection = sampleRepo();
        otherSelection.selectedChanges = ChangeSet{testing::makeChange(QStringLiteral("aaa"))};
        QVERIFY(!(a == otherSelection));

        Repo withCurrent = sampleRepo();
        withCurrent.currentRemote = withCurrent.remotes.first();
        QVERIFY(!(a == withCurrent));
        Repo sameCurrentOtherName = withCurrent;
        sameCurrentOtherName.currentRemote->name = QStringLiteral("x");
        QVERIFY(withCurrent == sameCurrentOtherName);
    }

    void repoPersistedForm()
    {
        Repo repo = sampleRepo();
        const Json plain = repo.toJson();
        std::vector<std::string> keys;
        for (auto it = plain.begin(); it != plain.end(); ++it)
            keys.push_back(it.key());
        QCOMPARE(keys, (std::vector<std::string>{"folder", "changes", "selectedChanges",
                                                 "bookmarks", "remotes"}));
        const Repo back = Repo::fromJson(Json::parse(plain.dump()));
        QVERIFY(back == repo);
        QVERIFY(!back.currentBookmark && !back.currentRemote);
        QCOMPARE(back.changes[0]->description(), QStringLiteral("first"));

        repo.currentBookmark = repo.bookmarks.first();
        repo.currentRemote = repo.remotes.first();
        const Json full = repo.toJson();
        QVERIFY(full.contains("currentBookmark") && full.contains("currentRemote"));
        QVERIFY(Repo::fromJson(full) == repo);

        Json nullCurrent = full;
        nullCurrent["currentBookmark"] = nullptr;
        QVERIFY(!Repo::fromJson(nullCurrent).currentBookmark);

        for (const char *key : {"folder", "changes", "selectedChanges", "bookmarks", "remotes"}) {
            Json broken = full;
            broken.erase(key);
            QVERIFY_THROWS_EXCEPTION(CodingError, Repo::fromJson(broken));
        }
        Json wrongShape = full;
        wrongShape["changes"] = "not a list";
        QVERIFY_THROWS_EXCEPTION(CodingError, Repo::fromJson(wrongShape));
    }

    void isJujutsuRepo()
    {
        QTemporaryDir dir;
        const QString repo = dir.filePath(QStringLiteral("repo"));
        const QString fileNamed = dir.filePath(QStringLiteral("file"));
        QDir().mkpath(repo + QStringLiteral("/.jj"));
        QDir().mkpath(fileNamed);
        QFile file(fileNamed + QStringLiteral("/.jj"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(Repo::isJujutsuRepo(folderUrl(repo)));
        QVERIFY(!Repo::isJujutsuRepo(folderUrl(dir.path())));
        QVERIFY(!Repo::isJujutsuRepo(folderUrl(fileNamed)));
        QVERIFY(!Repo::isJujutsuRepo(folderUrl(dir.filePath(QStringLiteral("missing")))));
    }

    void controllerWrites()
    {
        RepoController controller(folderUrl(QStringLiteral("/srv/demo")));
        QVERIFY(controller.repo().changes.isEmpty());
        QVERIFY(controller.repo().bookmarks.isEmpty());
        QVERIFY(controller.repo().selectedChanges.isEmpty());
        QSignalSpy spy(&controller, &RepoController::repoChanged);

        // A whole value equal to the stored one is stored silently.
        Repo same = controller.repo();
        same.currentBookmark =
            Bookmark{QStringLiteral("main"), testing::makeChange(QStringLiteral("a"))};
        controller.setRepo(same);
        QCOMPARE(spy.count(), 1);
        Repo movedBookmark = controller.repo();
        movedBookmark.currentBookmark->latestChange = testing::makeChange(QStringLiteral("b"));
        controller.setRepo(movedBookmark);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(controller.repo().currentBookmark->latestChange->changeId(), QStringLiteral("b"));

        // In-place writes always notify.
        const QList<ChangePtr> unchanged = controller.repo().changes;
        controller.modifyRepo([&](Repo &repo) { repo.changes = unchanged; });
        QCOMPARE(spy.count(), 2);
    }

    void controllerEqualityAndCoding()
    {
        RepoController a(sampleRepo());
        RepoController b(sampleRepo());
        QVERIFY(a == b);
        QCOMPARE(qHash(a), qHash(b));
        b.modifyRepo([](Repo &repo) { repo.changes.removeLast(); });
        QVERIFY(!(a == b));

        const Json json = a.toJson();
        QCOMPARE(json.begin().key(), std::string("_repo"));
        QCOMPARE(std::next(json.begin()).key(), std::string("_$observationRegistrar"));
        const auto restored = RepoController::fromJson(Json::parse(json.dump()));
        QVERIFY(*restored == a);
        QVERIFY_THROWS_EXCEPTION(CodingError, RepoController::fromJson(Json::object()));
        Json registrarOnly = json;
        registrarOnly.erase("_$observationRegistrar");
        QVERIFY(*RepoController::fromJson(registrarOnly) == a);
    }

    void removingListedChanges()
    {
        RepoController controller(sampleRepo());
        controller.modifyRepo(
            [](Repo &repo) { repo.changes.append(testing::makeChange(QStringLiteral("ccc"))); });
        QSignalSpy spy(&controller, &RepoController::repoChanged);
        const ChangeSet set{testing::makeChange(QStringLiteral("ccc")),
                            testing::makeChange(QStringLiteral("gone")),
                            testing::makeChange(QStringLiteral("aaa"))};
        controller.removeListedChanges(set);
        QCOMPARE(testing::changeIds(controller.repo().changes), QStringList{QStringLiteral("bbb")});
        QCOMPARE(spy.count(), 2); // One write per removal; the unlisted one is skipped.
    }

    void movingRows_data()
    {
        QTest::addColumn<QList<qsizetype>>("sources");
        QTest::addColumn<qsizetype>("destination");
        QTest::addColumn<QString>("expected");
        QTest::newRow("one row up") << QList<qsizetype>{3} << qsizetype(1) << "adbce";
        QTest::newRow("one row down") << QList<qsizetype>{0} << qsizetype(3) << "bcade";
        QTest::newRow("to the end") << QList<qsizetype>{1} << qsizetype(5) << "acdeb";
        QTest::newRow("several keep their order")
            << QList<qsizetype>{4, 1} << qsizetype(0) << "beacd";
        QTest::newRow("onto itself") << QList<qsizetype>{2} << qsizetype(2) << "abcde";
        QTest::newRow("offsets that no longer fit")
            << QList<qsizetype>{9, 4} << qsizetype(12) << "abcde";
        QTest::newRow("negative destination") << QList<qsizetype>{4} << qsizetype(-3) << "eabcd";
    }

    void movingRows()
    {
        QFETCH(QList<qsizetype>, sources);
        QFETCH(qsizetype, destination);
        QFETCH(QString, expected);
        Repo repo = Repo::empty(folderUrl(QStringLiteral("/r")));
        for (QChar c : QStringLiteral("abcde"))
            repo.changes.append(testing::makeChange(QString(c)));
        RepoController controller(repo);
        controller.moveChanges(sources, destination);
        QCOMPARE(testing::changeIds(controller.repo().changes).join(QString()), expected);
    }
};

QTEST_GUILESS_MAIN(TestValues)
#include "tst_values.moc"

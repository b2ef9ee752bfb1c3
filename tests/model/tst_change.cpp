#include "model/Change.h"
#include "model/ChangeSet.h"

#include <QSet>
#include <QSignalSpy>
#include <QTest>

namespace {
ChangePtr makeChange(const QString &id, const QString &author = QString())
{
    auto change = std::make_shared<Change>();
    change->setChangeId(id);
    change->setAuthor(author);
    return change;
}
} // namespace

class TestChange : public QObject {
    Q_OBJECT

private slots:
    void newRecordIsEmpty()
    {
        const Change change;
        for (const QString &field :
             {change.changeId(), change.author(), change.timestamp(), change.commitHash(),
              change.description(), change.changedText()})
            QVERIFY(field.isEmpty());
    }

    void writesNotifyOnlyOnRealChanges_data()
    {
        QTest::addColumn<QByteArray>("property");
        for (const char *p :
             {"changeId", "author", "timestamp", "commitHash", "description", "changedText"})
            QTest::newRow(p) << QByteArray(p);
    }

    void writesNotifyOnlyOnRealChanges()
    {
        QFETCH(QByteArray, property);
        Change change;
        const QMetaProperty meta = change.metaObject()->property(
            change.metaObject()->indexOfProperty(property.constData()));
        QSignalSpy spy(&change, meta.notifySignal());

        meta.write(&change, QStringLiteral("first"));
        QCOMPARE(spy.count(), 1);
        meta.write(&change, QStringLiteral("first"));
        QCOMPARE(spy.count(), 1);
        meta.write(&change, QStringLiteral("second"));
        QCOMPARE(spy.count(), 2);
        QCOMPARE(meta.read(&change).toString(), QStringLiteral("second"));
    }

    void writesNotifyOnlyTheirOwnProperty()
    {
        Change change;
        QSignalSpy description(&change, &Change::descriptionChanged);
        QSignalSpy diff(&change, &Change::changedTextChanged);
        change.setChangedText(QStringLiteral("diff --git a/x b/x"));
        QCOMPARE(description.count(), 0);
        QCOMPARE(diff.count(), 1);
    }

    void canonicallyEqualTextIsTheSameText()
    {
        Change change;
        change.setDescription(QStringLiteral("caf\u00e9"));
        QSignalSpy spy(&change, &Change::descriptionChanged);
        change.setDescription(QStringLiteral("cafe\u0301"));
        QCOMPARE(spy.count(), 0);
        // Long texts are tested for ASCII a block at a time: the accent may sit in any.
        const QString pad(150, u'x');
        const QString accented = QStringLiteral("caf\u00e9");
        for (const QString &text : QStringList{pad + accented + pad, pad + pad + accented}) {
            change.setDescription(text);
            spy.clear();
            change.setDescription(QString(text).replace(u'\u00e9', QStringLiteral("e\u0301")));
            QCOMPARE(spy.count(), 0);
        }
        QCOMPARE(*makeChange(QStringLiteral("\u00e9")), *makeChange(QStringLiteral("e\u0301")));
        QCOMPARE(qHash(*makeChange(QStringLiteral("\u00e9"))),
                 qHash(*makeChange(QStringLiteral("e\u0301"))));
    }

    void identityIsTheChangeId()
    {
        const ChangePtr a = makeChange(QStringLiteral("qpvuntsm"), QStringLiteral("Ann"));
        const ChangePtr b = makeChange(QStringLiteral("qpvuntsm"), QStringLiteral("Bob"));
        const ChangePtr c = makeChange(QStringLiteral("rlvkpnrz"), QStringLiteral("Ann"));
        QVERIFY(*a == *b);
        QCOMPARE(qHash(*a), qHash(*b));
        QVERIFY(!(*a == *c));

        const ChangeSet set{a, b, c};
        QCOMPARE(set.size(), 2);
        QCOMPARE(set.first(), a);
        QVERIFY(set.contains(*b));
    }

    void setMembershipSurvivesRewrittenIds()
    {
        // `jj show` may rewrite the id of a record that a selection set holds.
        const ChangePtr a = makeChange(QStringLiteral("aaaa"));
        const ChangePtr b = makeChange(QStringLiteral("bbbb"));
        ChangeSet set{a, b};
        a->setChangeId(QStringLiteral("aaaaaaaa"));
        QVERIFY(set.contains(*makeChange(QStringLiteral("aaaaaaaa"))));
        QVERIFY(!set.contains(*makeChange(QStringLiteral("aaaa"))));
        QVERIFY(set.remove(*makeChange(QStringLiteral("aaaaaaaa"))));
        QCOMPARE(set.size(), 1);
        QVERIFY(!set.insert(makeChange(QStringLiteral("bbbb"))));
        QVERIFY(set.insert(makeChange(QStringLiteral("cccc"))));
        QCOMPARE(set.toList().last()->changeId(), QStringLiteral("cccc"));
    }

    void setEqualityIgnoresOrderAndRecords()
    {
        const ChangeSet one{makeChange(QStringLiteral("a")), makeChange(QStringLiteral("b"))};
        const ChangeSet two{makeChange(QStringLiteral("b")), makeChange(QStringLiteral("a"))};
        const ChangeSet three{makeChange(QStringLiteral("a")), makeChange(QStringLiteral("c"))};
        QVERIFY(one == two);
        QVERIFY(!(one == three));
        QVERIFY(!(one == ChangeSet{makeChange(QStringLiteral("a"))}));
        QVERIFY(ChangeSet() == ChangeSet());
    }

    void persistedFormRoundTrips()
    {
        Change change;
        change.setChangeId(QStringLiteral("qpvuntsm"));
        change.setAuthor(QStringLiteral("test.user@example.com"));
        change.setTimestamp(QStringLiteral("2001-02-03 08:05:09"));
        change.setCommitHash(QStringLiteral("230dd059"));
        change.setDescription(QStringLiteral("Fix the parser\n\n  with \"quotes\" and ✓"));
        change.setChangedText(QStringLiteral("diff --git a/f b/f\n"));

        const Json json = change.toJson();
        std::vector<std::string> keys;
        for (auto it = json.begin(); it != json.end(); ++it)
            keys.push_back(it.key());
        QCOMPARE(keys, (std::vector<std::string>{"_changeId", "_author", "_timestamp",
                                                 "_commitHash", "_description", "_changedText",
                                                 "_$observationRegistrar"}));
        QVERIFY(json["_$observationRegistrar"].empty());

        const ChangePtr back = Change::fromJson(Json::parse(json.dump()));
        QCOMPARE(back->changeId(), change.changeId());
        QCOMPARE(back->author(), change.author());
        QCOMPARE(back->timestamp(), change.timestamp());
        QCOMPARE(back->commitHash(), change.commitHash());
        QCOMPARE(back->description(), change.description());
        QCOMPARE(back->changedText(), change.changedText());
    }

    void persistedFormRequiresEverySixTexts_data()
    {
        QTest::addColumn<QString>("key");
        for (const char *k :
             {"_changeId", "_author", "_timestamp", "_commitHash", "_description", "_changedText"})
            QTest::newRow(k) << QString::fromLatin1(k);
    }

    void persistedFormRequiresEverySixTexts()
    {
        QFETCH(QString, key);
        Json json = Change().toJson();
        json.erase(key.toStdString());
        QVERIFY_THROWS_EXCEPTION(CodingError, Change::fromJson(json));

        Json wrongType = Change().toJson();
        wrongType[key.toStdString()] = 7;
        QVERIFY_THROWS_EXCEPTION(CodingError, Change::fromJson(wrongType));
    }

    void persistedFormNeedsNoRegistrar()
    {
        Json json = makeChange(QStringLiteral("x"))->toJson();
        json.erase("_$observationRegistrar");
        QCOMPARE(Change::fromJson(json)->changeId(), QStringLiteral("x"));
        QVERIFY_THROWS_EXCEPTION(CodingError, Change::fromJson(Json::array()));
    }
};

QTEST_GUILESS_MAIN(TestChange)
#include "tst_change.moc"

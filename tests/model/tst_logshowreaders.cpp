#include "model/Change.h"
#include "model/LogReader.h"
#include "model/Memory.h"
#include "model/ShowReader.h"
#include "model/Text.h"
#include "support/TestSupport.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

#include <cstdlib>
#include <vector>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

// The log's reading rules spelt out word by word, to hold the reader to them: each
// change as its id, author, time stamp, commit id, description and divergence mark.
QList<QStringList> readByTheRules(const QString &output)
{
    QList<QStringList> changes;
    text::LineReader lines(output);
    while (!lines.atEnd()) {
        const QList<QStringView> words = text::splitWords(lines.next());
        if (words.size() < 2)
            break;
        QString id = words[0].toString();
        const bool divergent = id.endsWith(QStringLiteral("??"));
        if (divergent)
            id.chop(2);
        const qsizetype at = words.size() > 2 && words[1] == u"hidden" ? 2 : 1;
        QString commit = words.last().toString();
        for (qsizetype i = words.size() - 1; i >= 1; --i) {
            const bool hexadecimal =
                !words[i].isEmpty() && std::all_of(words[i].begin(), words[i].end(), [](QChar c) {
                    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f');
                });
            if (hexadecimal) {
                commit = words[i].toString();
                break;
            }
        }
        const QString mark = divergent ? QStringLiteral("divergent") : QString();
        if (words[at] == u"root()") {
            changes.append({id, QString(), QString(), commit, QString(), mark});
            continue;
        }
        qsizetype authorEnd = at;
        if (words[at].startsWith(u'('))
            while (authorEnd + 1 < words.size() && !words[authorEnd].endsWith(u')'))
                ++authorEnd;
        QStringList author;
        for (qsizetype i = at; i <= authorEnd; ++i)
            author.append(words[i].toString());
        const auto word = [&](qsizetype i) { return i < words.size() ? words[i] : QStringView(); };
        const QString timestamp = word(authorEnd + 1) + u' ' + word(authorEnd + 2);
        const QString description = lines.atEnd() ? QString() : lines.next().toString();
        changes.append({id, author.join(u' '), timestamp, commit, description, mark});
    }
    return changes;
}

QStringList textsOf(const Change &change)
{
    return {change.changeId(),    change.author(),
            change.timestamp(),   change.commitHash(),
            change.description(), change.isDivergent() ? QStringLiteral("divergent") : QString()};
}

} // namespace

class TestLogShowReaders : public QObject {
    Q_OBJECT

private slots:
    void logFields()
    {
        const QList<ChangePtr> c = parseChanges(
            QStringLiteral("rlvkpnrz test.user@example.com 2001-02-03 08:05:09 a b* 7d980be7\n"
                           "a description\n"
                           "zzzzzzzz root() 00000000\n"));
        QCOMPARE(c.size(), 2);
        QCOMPARE(c[0]->changeId(), QStringLiteral("rlvkpnrz"));
        QCOMPARE(c[0]->author(), QStringLiteral("test.user@example.com"));
        QCOMPARE(c[0]->timestamp(), QStringLiteral("2001-02-03 08:05:09"));
        QCOMPARE(c[0]->commitHash(), QStringLiteral("7d980be7"));
        QCOMPARE(c[0]->description(), QStringLiteral("a description"));
        QVERIFY(c[0]->changedText().isEmpty());
        // The root prints one line, with no author or time.
        QCOMPARE(c[1]->changeId(), QStringLiteral("zzzzzzzz"));
        QCOMPARE(c[1]->author(), QString());
        QCOMPARE(c[1]->timestamp(), QString());
        QCOMPARE(c[1]->commitHash(), QStringLiteral("00000000"));
        QCOMPARE(c[1]->description(), QString());
    }

    void logMarksAreNoFields()
    {
        const QList<ChangePtr> c = parseChanges(QStringLiteral(
            "qpvuntsm?? (no email set) 2001-02-03 08:05:09 main?? \"fix(ui)\" 5d3c1e2a conflict\n"
            "Subject with\u2028a line separator, \u0085 NEL, \v VT and \f FF\n"
            "kkmpptxz hidden a@b.c 2001-02-03 08:05:10 git_head() cafe 0123abcd\n"
            "(empty) (no description set)\n"
            "zzzzzzzz root() 00000000\n"));
        QCOMPARE(c.size(), 3);
        QCOMPARE(c[0]->changeId(), QStringLiteral("qpvuntsm"));
        QVERIFY(c[0]->isDivergent());
        QCOMPARE(c[0]->author(), QStringLiteral("(no email set)"));
        QCOMPARE(c[0]->timestamp(), QStringLiteral("2001-02-03 08:05:09"));
        QCOMPARE(c[0]->commitHash(), QStringLiteral("5d3c1e2a"));
        // Only "\n" ends a line: the other line breaks of Unicode are the subject's own.
        QCOMPARE(c[0]->description(),
                 QStringLiteral("Subject with\u2028a line separator, \u0085 NEL, \v VT and \f FF"));
        QCOMPARE(c[1]->changeId(), QStringLiteral("kkmpptxz"));
        QVERIFY(!c[1]->isDivergent());
        QCOMPARE(c[1]->author(), QStringLiteral("a@b.c"));
        QCOMPARE(c[1]->commitHash(), QStringLiteral("0123abcd"));
        QCOMPARE(c[2]->changeId(), QStringLiteral("zzzzzzzz"));
    }

    void logEdgeCases()
    {
        QVERIFY(parseChanges(QString()).isEmpty());
        QVERIFY(parseChanges(QStringLiteral("\n")).isEmpty());

        const ChangePtr two = parseChanges(QStringLiteral("id author\ndesc")).first();
        QCOMPARE(two->timestamp(), QStringLiteral(" "));
        QCOMPARE(two->commitHash(), QStringLiteral("author"));
        const ChangePtr three = parseChanges(QStringLiteral("id author date")).first();
        QCOMPARE(three->timestamp(), QStringLiteral("date "));
        QCOMPARE(three->commitHash(), QStringLiteral("date"));
        QCOMPARE(three->description(), QString());

        const ChangePtr shifted = parseChanges(QStringLiteral("id  a@b d t c\nx")).first();
        QCOMPARE(shifted->author(), QString());
        QCOMPARE(shifted->timestamp(), QStringLiteral("a@b d"));

        // A spilled description line of one word ends the list; of two words it is
        // read as a fields line.
        QCOMPARE(parseChanges(QStringLiteral("a b c d e\nfirst\nspill\nz y c d e\nx")).size(), 1);
        QCOMPARE(parseChanges(QStringLiteral("a b c d e\nfirst\nspill over\nz y")).size(), 2);
    }

    void logReadingFollowsTheRulesOnArbitraryText()
    {
        // Runs longer than the reader's blocks, every separator, and jj's marks.
        const QStringList pieces{"abcdef0123456789", "x",      "??",        "hidden",
                                 "root()",           "(no",    "set)",      "@",
                                 "\u00e9",           "\u65e5", "\U0001F600"};
        const QList<QChar> separators{u' ',        u' ',          u' ',         u'\t',
                                      u'\r',       QChar(0x0B),   QChar(0x0C),  QChar(0x85),
                                      QChar(0xA0), QChar(0x2028), QChar(0x3000)};
        QRandomGenerator random(20261209);
        for (int round = 0; round < 3000; ++round) {
            QString output;
            const int lines = random.bounded(6);
            for (int line = 0; line < lines; ++line) {
                for (int word = random.bounded(8); word >= 0; --word) {
                    for (int part = random.bounded(3); part >= 0; --part)
                        output += pieces[random.bounded(pieces.size())];
                    output += separators[random.bounded(separators.size())];
                }
                if (random.bounded(4))
                    output += u'\n';
            }
            const QList<QStringList> expected = readByTheRules(output);
            const QList<ChangePtr> changes = parseChanges(output);
            QCOMPARE(changes.size(), expected.size());
            LogListing listing(output);
            QCOMPARE(listing.size(), expected.size());
            for (qsizetype i = 0; i < changes.size(); ++i) {
                QCOMPARE(textsOf(*changes[i]), expected[i]);
                QCOMPARE(textsOf(*listing.change(i)), expected[i]);
                // A listed record that holds the same texts is taken again; one that
                // holds a text jj did not print this time is not.
                QCOMPARE(listing.change(i, changes[i]), changes[i]);
                changes[i]->setChangedText(QStringLiteral("diff"));
                QVERIFY(listing.change(i, changes[i]) != changes[i]);
            }
        }
    }

    void textsReadTogetherStayApart()
    {
        ChangePtr change = parseChanges(QStringLiteral("id author 2001-02-03 08:05:09 c0ffee\n"
                                                       "description\n"))
                               .first();
        // Each text ends where a text's buffer must end.
        QCOMPARE(QString::fromUtf16(reinterpret_cast<const char16_t *>(change->changeId().utf16())),
                 QStringLiteral("id"));
        QCOMPARE(
            QString::fromUtf16(reinterpret_cast<const char16_t *>(change->timestamp().utf16())),
            QStringLiteral("2001-02-03 08:05:09"));
        QString id = change->changeId();
        const QString commit = change->commitHash();
        change.reset();
        id += QStringLiteral(" and more");
        QCOMPARE(id, QStringLiteral("id and more"));
        QCOMPARE(commit, QStringLiteral("c0ffee"));
    }

    void theMemoryOfAReadListIsKeptForTheNext()
    {
#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)
        platform::keepFreedMemory();
        // A block of megabytes, such as the lines of a long diff, that the heap has no room
        // for grows the heap rather than getting a mapping of its own, which would be
        // faulted in again page by page each time.
        const size_t size = mallinfo2().fordblks + (1 << 20);
        if (size < size_t(3 << 20)) {
            const size_t mapped = mallinfo2().hblkhd;
            void *lines = std::malloc(size);
            static_cast<volatile char *>(lines)[0] = 1;
            QCOMPARE(mallinfo2().hblkhd, mapped);
            std::free(lines);
        }
        // The records of 100 000 changes: freed, they stay with the process.
        std::vector<void *> records(100000);
        for (void *&record : records)
            static_cast<volatile char *>(record = std::malloc(200))[0] = 1;
        for (void *record : records)
            std::free(record);
        QVERIFY(mallinfo2().arena >= size_t(20 << 20));
#else
        QSKIP("the allocator is not glibc's");
#endif
    }

    void logSamples()
    {
        const ChangePtr one =
            parseChanges(testing::sample(QStringLiteral("log-nograph-01.txt"))).first();
        QCOMPARE(one->changeId(), QStringLiteral("rlvkpnrz"));
        QCOMPARE(one->commitHash(), QStringLiteral("7d980be7"));
        QCOMPARE(one->description(), QStringLiteral("a"));
        const ChangePtr merge =
            parseChanges(testing::sample(QStringLiteral("log-nograph-02.txt"))).first();
        QCOMPARE(merge->changeId(), QStringLiteral("mzvwutvl"));
        QCOMPARE(merge->timestamp(), QStringLiteral("2001-02-03 08:05:11"));
        QCOMPARE(merge->commitHash(), QStringLiteral("bafb1ee5"));
        QCOMPARE(merge->description(), QStringLiteral("(empty) merge"));
    }

    void showFields()
    {
        Change change;
        change.readShowOutput(
            QStringLiteral("Commit ID: abc123\nChange ID: xyz789\n"
                           "Author   : A Writer <a@example.com> (2024-05-06 07:08:09)\n\n"
                           "    (no description set)\n\n"));
        QCOMPARE(change.commitHash(), QStringLiteral("abc123"));
        QCOMPARE(change.changeId(), QStringLiteral("xyz789"));
        QCOMPARE(change.author(), QStringLiteral("A Writer"));
        QCOMPARE(change.timestamp(), QStringLiteral("2024-05-06 07:08:09"));
        QCOMPARE(change.description(), QStringLiteral("(no description set)"));
    }

    void showSamples_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("commit");
        QTest::addColumn<QString>("author");
        QTest::addColumn<QString>("timestamp");
        QTest::addColumn<QString>("description");
        QTest::newRow("01") << "show-01.txt"
                            << "92e687faa4e5b681937f5a9c47feaa33e6b4892c"
                            << "Test User"
                            << "2001-02-03 08:05:09"
                            << "(no description set)";
        QTest::newRow("02") << "show-02.txt"
                            << "4329cf7230d7b8229e9c88087cfa2f8aa13a1317"
                            << "Test User"
                            << "2001-02-03 08:05:19"
                            << "Revert \"e\"\n\nThis reverts commit "
                               "51a01d6d8cc48a296cb87f8383b34ade3c050363.";
        // Placeholders for a missing name or e-mail are read whole, and the time stamp is
        // the parenthesised text that ends the author line.
        QTest::newRow("05 root") << "show-05.txt"
                                 << "0000000000000000000000000000000000000000"
                                 << "(no name set)"
                                 << "1970-01-01 11:00:00"
                                 << "(no description set)";
        QTest::newRow("06 bookmarks line") << "show-06.txt"
                                           << "75259df433eebc10b3ad78a9814d6647b764ce28"
                                           << "Test User"
                                           << "2001-02-03 08:05:13"
                                           << "(no description set)";
        QTest::newRow("08 empty change") << "show-08.txt"
                                         << "0f13b5f2ea7fad147c133c81b87d31e7b1b8c564"
                                         << "Test User"
                                         << "2001-02-03 08:05:09"
                                         << "(no description set)";
    }

    void showSamples()
    {
        QFETCH(QString, file);
        const QString output = testing::sample(file);
        Change change;
        change.readShowOutput(output);
        QTEST(change.commitHash(), "commit");
        QTEST(change.author(), "author");
        QTEST(change.timestamp(), "timestamp");
        QTEST(change.description(), "description");
        QCOMPARE(change.changeId().size(), 32);
        QVERIFY(output.contains(QStringLiteral("Change ID: ") + change.changeId()));
    }

    void everyShowSampleIsReadWithoutCrashing()
    {
        for (const QString &name : testing::sampleNames(QStringLiteral("show-"))) {
            Change change;
            change.readShowOutput(testing::sample(name));
            QVERIFY2(!change.commitHash().isEmpty(), qPrintable(name));
            QVERIFY2(!change.author().isEmpty(), qPrintable(name));
        }
    }

    void missingLabelsLeaveFieldsUnchanged()
    {
        Change change;
        change.setAuthor(QStringLiteral("kept"));
        change.setDescription(QStringLiteral("kept too"));
        change.setChangeId(QStringLiteral("id"));
        QSignalSpy spy(&change, &Change::authorChanged);
        // No author line and no blank line after the header.
        QCOMPARE(change.readShowOutput(QStringLiteral("Commit ID: c1\nChange ID: id\n")),
                 std::nullopt);
        QCOMPARE(change.commitHash(), QStringLiteral("c1"));
        QCOMPARE(change.author(), QStringLiteral("kept"));
        QCOMPARE(change.description(), QStringLiteral("kept too"));
        QCOMPARE(spy.count(), 0);

        change.readShowOutput(QString()); // Nothing at all: every reader fails, nothing breaks.
        QCOMPARE(change.commitHash(), QStringLiteral("c1"));
    }

    void descriptionIsTheIndentedBlock_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("written");
        QTest::newRow("paragraphs and indented lines, no file section")
            << "    Title\n\n    Body\n      indented\n    - item\n\n"
            << "Title\n\nBody\n  indented\n- item"
            << "Title\n\nBody\n  indented\n- item";
        QTest::newRow("file sections of every kind end it")
            << "    Text\n\nAdded executable file b:\n        1: b\nAdded symlink l:\n"
            << "Text"
            << "Text";
        QTest::newRow("conflicts end it") << "    Merge\n\nCreated conflict in f:\n   1: x\n"
                                          << "Merge"
                                          << "Merge";
        QTest::newRow("file-section words inside the description stay")
            << "    Notes\n    Added regular file x:\n\nModified regular file a:\n"
            << "Notes\nAdded regular file x:"
            << "Notes\nAdded regular file x:";
        QTest::newRow("no-break spaces and line separators are text")
            << "    \u00a0edge\u00a0 in\u00a0side \u2028 \r\n"
            << "\u00a0edge\u00a0 in\u00a0side \u2028 \r"
            << "\u00a0edge\u00a0 in\u00a0side \u2028 \r";
        QTest::newRow("no description") << "    (no description set)\n\n"
                                        << "(no description set)"
                                        << "";
    }

    void descriptionIsTheIndentedBlock()
    {
        QFETCH(QString, body);
        Change change;
        const std::optional<QString> written =
            change.readShowOutput(QStringLiteral("Commit ID: c\nChange ID: i\nBookmarks: Author\n"
                                                 "Author   : N <e> (t)\nCommitter: N <e> (t)\n\n") +
                                  body);
        QTEST(change.description(), "description");
        QTEST(written.value_or(QStringLiteral("unread")), "written");
    }
};

QTEST_GUILESS_MAIN(TestLogShowReaders)
#include "tst_logshowreaders.moc"

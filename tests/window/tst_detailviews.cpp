#include "widgets/Card.h"
#include "widgets/DiffView.h"
#include "widgets/LabelView.h"
#include "window/ChangeView.h"

#include "PaintCounter.h"

#include <QApplication>
#include <QLabel>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

using testing::PaintCounter;

namespace {

const QString trickyText = QStringLiteral("100% of *all* C:\\path\\%1 <b>bold</b> & &amp; %s");

ChangePtr filledChange()
{
    auto change = std::make_shared<Change>();
    change->setChangeId(QStringLiteral("kkmpptxz"));
    change->setCommitHash(QStringLiteral("92e687fa"));
    change->setAuthor(QStringLiteral("A Writer"));
    change->setTimestamp(QStringLiteral("2001-02-03 08:05:09"));
    change->setDescription(QStringLiteral("First paragraph.\n\nSecond paragraph."));
    change->setChangedText(QStringLiteral("diff --git a/a.txt b/a.txt\n+added\n"));
    return change;
}

} // namespace

class TestDetailViews : public QObject {
    Q_OBJECT

private slots:
    void cardShowsAtMostFiveLines()
    {
        const QFont font = QApplication::font();
        QCOMPARE(Card::visibleLines(QStringLiteral("one line"), font, 400),
                 QStringList({QStringLiteral("one line")}));
        QCOMPARE(Card::lineCount(QString(), font, 400), 1);

        const QString seven = QStringLiteral("1\n2\n3\n4\n5\n6\n7");
        const QStringList lines = Card::visibleLines(seven, font, 400);
        QCOMPARE(lines.size(), Card::lineLimit);
        QCOMPARE(lines.mid(0, 4), QStringList({"1", "2", "3", "4"}));
        QVERIFY(lines.last().startsWith(u'5'));
        QVERIFY(lines.last().endsWith(QChar(0x2026)));
        QCOMPARE(Card::lineCount(seven, font, 400), Card::lineLimit);

        // A long paragraph wraps to the width and is cut after five lines.
        const QString longText = QStringLiteral("word ").repeated(400);
        const QStringList wrapped = Card::visibleLines(longText, font, 120);
        QCOMPARE(wrapped.size(), Card::lineLimit);
        for (const QString &line : wrapped)
            QVERIFY(QFontMetrics(font).horizontalAdvance(line) <= 120);
        QVERIFY(wrapped.last().endsWith(QChar(0x2026)));
        QCOMPARE(Card::visibleLines(QStringLiteral("word ").repeated(3), font, 2000).size(), 1);

        // Measuring ahead in another font leaves the rows' measures in theirs as they were.
        QFont large = font;
        large.setPointSizeF(font.pointSizeF() * 4);
        Card::prepareFont(large);
        QCOMPARE(Card::visibleLines(longText, font, 120), wrapped);
        Card::prepareFont(font);
        QVERIFY(Card::lineCount(longText, large, 120) > 0);
        for (const QString &line :
             Card::visibleLines(QStringLiteral("word ").repeated(8), large, 400))
            QVERIFY(QFontMetrics(large).horizontalAdvance(line) <= 400);
    }

    void cardAndLabelsShowTextLiterally()
    {
        QCOMPARE(Card::visibleLines(trickyText, QApplication::font(), 2000),
                 QStringList({trickyText}));

        LabelView label(QStringLiteral("Caption & more:"), trickyText);
        QCOMPARE(label.valueWidget()->textFormat(), Qt::PlainText);
        QCOMPARE(label.labelWidget()->textFormat(), Qt::PlainText);
        QCOMPARE(label.value(), trickyText);
        QCOMPARE(label.label(), QStringLiteral("Caption & more:"));
    }

    void diffViewWrapsAndExpandsTabs()
    {
        DiffView view;
        const int column = QFontMetrics(view.font()).horizontalAdvance(u'0');
        // Room for ten columns, with the view's margins.
        const int width = 10 * column + 4;
        view.setText(QStringLiteral("0123456789abcde\n\tx\r\n\n<b>%s & *</b>\n"));
        QCOMPARE(view.displayRows(width),
                 QStringList({"0123456789", "abcde", "    x", "", "<b>%s & *<", "/b>"}));
        const int lineSpacing = QFontMetrics(view.font()).lineSpacing();
        QCOMPARE(view.heightForWidth(width), 6 * lineSpacing + 4);
        QVERIFY(view.heightForWidth(2 * width) < view.heightForWidth(width));

        view.setText(QString());
        QVERIFY(view.displayRows(width).isEmpty());
        QCOMPARE(view.heightForWidth(width), 4);
    }

    void diffViewLaysOutTextBeyondAscii()
    {
        DiffView view;
        view.setText(QStringLiteral("caf\u00e9 \u65e5\u672c\u8a9e\n+plain"));
        const QStringList rows = view.displayRows(400);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.first(), QStringLiteral("caf\u00e9 \u65e5\u672c\u8a9e"));
        QCOMPARE(view.heightForWidth(400), 2 * QFontMetrics(view.font()).lineSpacing() + 4);
    }

    void diffViewHeightsAndRowsHoldAtEveryWidth()
    {
        DiffView view;
        QString text;
        for (int i = 0; i < 300; ++i)
            text += QStringLiteral("%1 %2\t|%3\n")
                        .arg(i)
                        .arg(QString(i % 37, u'x'))
                        .arg(i % 5 == 0 ? QStringLiteral("\u65e5\u672c") : QString());
        view.setText(text);
        const int lineSpacing = QFontMetrics(view.font()).lineSpacing();
        const auto expectedHeight = [&](int width) {
            return int(view.displayRows(width).size()) * lineSpacing + 4;
        };
        // Layouts ask at a few widths in turn; each keeps its own count.
        for (int width : {120, 300, 120, 500, 300, 180, 120})
            QCOMPARE(view.heightForWidth(width), expectedHeight(width));
        QCOMPARE(view.sizeHint().height(), expectedHeight(view.sizeHint().width()));

        // Rows drawn a part at a time, top first, match a drawing of the whole text.
        view.resize(180, view.heightForWidth(180));
        const auto blank = [&] {
            QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::white);
            return image;
        };
        QImage whole = blank();
        view.render(&whole);
        DiffView fresh;
        fresh.setText(text);
        fresh.resize(view.size());
        QImage parts = blank();
        const QRect firstRows(0, 0, view.width(), 3 * lineSpacing);
        const QRect lastRows(0, view.height() - 3 * lineSpacing, view.width(), 3 * lineSpacing);
        for (const QRect &part : {firstRows, lastRows})
            fresh.render(&parts, part.topLeft(), QRegion(part));
        QCOMPARE(parts.copy(firstRows), whole.copy(firstRows));
        QCOMPARE(parts.copy(lastRows), whole.copy(lastRows));
        QCOMPARE(fresh.heightForWidth(180), view.height());

        view.setText(QStringLiteral("one\n"));
        QCOMPARE(view.heightForWidth(120), lineSpacing + 4);
    }

    void emptyChangeShowsCaptionsAndHeadings()
    {
        ChangeView view;
        QVERIFY(view.change());
        QCOMPARE(view.changeIdView()->label(), QStringLiteral("Change ID:"));
        QCOMPARE(view.commitHashView()->label(), QStringLiteral("Commit Hash:"));
        QCOMPARE(view.authorView()->label(), QStringLiteral("Author:"));
        QCOMPARE(view.timestampView()->label(), QStringLiteral("Timestamp:"));
        QCOMPARE(view.descriptionHeading()->text(), QStringLiteral("Change Description"));
        QCOMPARE(view.diffHeading()->text(), QStringLiteral("What Changed"));
        QVERIFY(view.diffHeading()->font().bold());
        QVERIFY(view.diffHeading()->font().pointSizeF() > view.font().pointSizeF());
        for (LabelView *label :
             {view.changeIdView(), view.commitHashView(), view.authorView(), view.timestampView()})
            QVERIFY(label->value().isEmpty());
        QVERIFY(view.descriptionLabel()->text().isEmpty());
        QVERIFY(view.diffView()->text().isEmpty());
    }

    void showsEveryFieldAndFollowsWrites()
    {
        ChangeView view;
        const ChangePtr change = filledChange();
        view.setChange(change);
        QCOMPARE(view.changeIdView()->value(), QStringLiteral("kkmpptxz"));
        QCOMPARE(view.commitHashView()->value(), QStringLiteral("92e687fa"));
        QCOMPARE(view.authorView()->value(), QStringLiteral("A Writer"));
        QCOMPARE(view.timestampView()->value(), QStringLiteral("2001-02-03 08:05:09"));
        QCOMPARE(view.descriptionLabel()->text(),
                 QStringLiteral("First paragraph.\n\nSecond paragraph."));
        QCOMPARE(view.descriptionLabel()->textFormat(), Qt::PlainText);
        QCOMPARE(view.diffView()->text(), change->changedText());

        change->setAuthor(trickyText);
        change->setDescription(trickyText);
        change->setChangedText(trickyText);
        change->setChangeId(QStringLiteral("zzzzzzzz"));
        QCOMPARE(view.authorView()->value(), trickyText);
        QCOMPARE(view.descriptionLabel()->text(), trickyText);
        QCOMPARE(view.diffView()->displayRows(4000), QStringList({trickyText}));
        QCOMPARE(view.changeIdView()->value(), QStringLiteral("zzzzzzzz"));

        // A change no longer shown is no longer followed.
        view.setChange(nullptr);
        change->setAuthor(QStringLiteral("Someone Else"));
        QVERIFY(view.authorView()->value().isEmpty());
    }

    void unchangedWritesRepaintNothing()
    {
        ChangeView view;
        const ChangePtr change = filledChange();
        view.setChange(change);
        view.resize(500, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        PaintCounter diffPaints(view.diffView());
        PaintCounter labelPaints(view.authorView()->valueWidget());
        QTest::qWait(50);
        const int diffBefore = diffPaints.count;
        const int labelBefore = labelPaints.count;

        change->setChangedText(change->changedText());
        change->setAuthor(change->author());
        QTest::qWait(50);
        QCOMPARE(diffPaints.count, diffBefore);
        QCOMPARE(labelPaints.count, labelBefore);

        change->setChangedText(QStringLiteral("+other\n"));
        QTRY_VERIFY(diffPaints.count > diffBefore);
    }

    void longDiffScrollsTheColumn()
    {
        ChangeView view;
        auto change = std::make_shared<Change>();
        change->setChangedText(QStringLiteral("+line\n").repeated(2000));
        view.setChange(change);
        view.resize(400, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTRY_VERIFY(view.verticalScrollBar()->maximum() > 2000 * 5);
        QCOMPARE(view.horizontalScrollBar()->isVisible(), false);
    }
};

QTEST_MAIN(TestDetailViews)
#include "tst_detailviews.moc"

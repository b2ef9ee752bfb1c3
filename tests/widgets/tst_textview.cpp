#include "widgets/TextView.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetricsF>
#include <QScrollBar>
#include <QTest>

class TestTextView : public QObject {
    Q_OBJECT

private slots:
    void showsTheTextReadOnlyInTheMonospacedFont()
    {
        TextView view;
        view.resize(300, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.setContents(QStringLiteral("<b>not bold</b> 100% *literal*\n\\n"));
        QCOMPARE(view.toPlainText(), QStringLiteral("<b>not bold</b> 100% *literal*\n\\n"));
        // Narrow and wide letters take the same room (some monospaced fonts do not
        // call themselves fixed-pitch).
        const QFontMetricsF metrics(view.font());
        QCOMPARE(metrics.horizontalAdvance(QStringLiteral("iiii")),
                 metrics.horizontalAdvance(QStringLiteral("MMMM")));
        QCOMPARE(view.font().pointSizeF(), 14.0);

        view.setFocus();
        QTest::keyClicks(&view, QStringLiteral("typed"));
        QTest::keyClick(&view, Qt::Key_Backspace);
        QApplication::clipboard()->setText(QStringLiteral("pasted"));
        QTest::keyClick(&view, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(view.toPlainText(), QStringLiteral("<b>not bold</b> 100% *literal*\n\\n"));
    }

    void textCanBeSelectedAndCopied()
    {
        TextView view;
        view.setContents(QStringLiteral("change abc123"));
        view.selectAll();
        view.copy();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("change abc123"));
        QVERIFY(view.textInteractionFlags().testFlag(Qt::TextSelectableByMouse));
    }

    void scrollsOnlyVertically()
    {
        TextView view;
        view.resize(200, 120);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QCOMPARE(view.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);

        view.setContents(QString());
        QCOMPARE(view.verticalScrollBar()->maximum(), 0);

        QStringList lines;
        for (int i = 0; i < 200; ++i)
            lines.append(
                QStringLiteral("line %1 with a long tail that does not fit the width at all")
                    .arg(i));
        view.setContents(lines.join(u'\n'));
        QTRY_VERIFY(view.verticalScrollBar()->maximum() > 0);
        QCOMPARE(view.horizontalScrollBar()->maximum(), 0);

        // Each update replaces the whole text.
        view.setContents(QStringLiteral("short"));
        QCOMPARE(view.toPlainText(), QStringLiteral("short"));
    }
};

QTEST_MAIN(TestTextView)
#include "tst_textview.moc"

#pragma once

#include <QList>
#include <QString>
#include <QWidget>

#include <array>

class QTextLayout;

// A change's diff: the text as it stands, in a monospaced font, wrapped to the width.
// Only the lines in view are laid out and drawn, so a diff of megabytes shows at once;
// the view is as tall as its whole text and is meant to sit in a scroll area.
class DiffView : public QWidget {
    Q_OBJECT

public:
    explicit DiffView(QWidget *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &text);

    // The text's lines in display rows at the width, tabs expanded; for tests and
    // accessibility.
    QStringList displayRows(int width) const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    static constexpr int tabWidth = 4;

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // Where a line starts in the text. One more entry than there are lines marks where
    // a line after the last would start, so that each line ends where the next starts.
    struct Line {
        qsizetype start;
        // Display columns with tabs expanded, for a line of printable ASCII and tabs,
        // which wraps by counting; -1 for a line that needs a full layout.
        qsizetype columns;
        bool plain() const { return columns >= 0; }
    };

    struct Rows {
        int columnsPerRow = 0;
        // rowStart[i] is the first display row of line i, for the lines counted so far;
        // the last entry is where the first line not counted starts.
        QList<qsizetype> rowStart;
    };

    // The number of display rows at one width, without where each line starts.
    struct RowCount {
        int columnsPerRow = 0;
        qsizetype total = 0;
    };

    qsizetype lineCount() const { return qMax<qsizetype>(0, m_lines.size() - 1); }
    QStringView lineText(qsizetype line) const;
    QString expanded(qsizetype line) const;
    int columnsPerRow(int width) const;
    int charWidth() const;
    const Rows &rowsThrough(int width, qsizetype row) const;
    qsizetype rowCount(int width) const;
    qsizetype rowsOfLine(qsizetype line, int perRow) const;
    int heightOf(qsizetype rows) const;
    // A line that needs a full layout, wrapped in rows of `perRow` columns, one line
    // spacing apart.
    void layOutRichLine(QTextLayout &layout, qsizetype line, int perRow) const;
    void invalidate();

    QString m_text;
    QList<Line> m_lines;
    mutable Rows m_rows;
    mutable std::array<RowCount, 4> m_rowCounts;
    mutable std::size_t m_nextRowCount = 0;
};

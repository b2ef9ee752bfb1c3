#pragma once

#include <QList>
#include <QString>
#include <QWidget>

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
    struct Line {
        qsizetype start;
        qsizetype length;
        // Display columns with tabs expanded; only meaningful for plain lines.
        qsizetype columns;
        // Printable ASCII and tabs only: one glyph per column, wrapped by counting.
        bool plain;
    };

    struct Rows {
        int columnsPerRow = 0;
        // rowStart[i] is the first display row of line i; the last entry is the total.
        QList<qsizetype> rowStart;
    };

    QStringView lineText(const Line &line) const;
    QString expanded(const Line &line) const;
    int columnsPerRow(int width) const;
    int charWidth() const;
    const Rows &rows(int width) const;
    qsizetype rowsOfRichLine(const Line &line, int wrapWidth) const;
    void invalidate();

    QString m_text;
    QList<Line> m_lines;
    mutable Rows m_rows;
};

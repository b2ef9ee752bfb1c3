#include "widgets/DiffView.h"

#include "widgets/Fonts.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>

namespace {

constexpr int margin = 2;

bool isPlain(QChar c)
{
    return (c.unicode() >= 0x20 && c.unicode() < 0x7f) || c == u'\t';
}

QTextOption wrapOption(int charWidth)
{
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAnywhere);
    option.setTabStopDistance(qreal(DiffView::tabWidth * charWidth));
    return option;
}

} // namespace

DiffView::DiffView(QWidget *parent) : QWidget(parent)
{
    setFont(fonts::fixedWidth(QWidget::font()));
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void DiffView::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    m_lines.clear();
    qsizetype start = 0;
    const qsizetype size = m_text.size();
    const QChar *data = m_text.constData();
    while (start < size) {
        qsizetype end = start;
        qsizetype columns = 0;
        bool plain = true;
        bool plainBeforeLast = true;
        while (end < size && data[end] != u'\n') {
            const QChar c = data[end];
            if (c == u'\t')
                columns += tabWidth - columns % tabWidth;
            else
                ++columns;
            plainBeforeLast = plain;
            plain = plain && isPlain(c);
            ++end;
        }
        // A carriage return before the line feed belongs to the line ending.
        if (end > start && data[end - 1] == u'\r') {
            --columns;
            plain = plainBeforeLast;
        }
        m_lines.append({start, plain ? columns : -1});
        start = end + 1;
    }
    if (!m_lines.isEmpty())
        m_lines.append({start, 0});
    invalidate();
}

void DiffView::invalidate()
{
    m_rows = Rows();
    m_rowCounts.fill(RowCount());
    updateGeometry();
    update();
}

QStringView DiffView::lineText(qsizetype line) const
{
    const qsizetype start = m_lines.at(line).start;
    qsizetype end = m_lines.at(line + 1).start - 1;
    if (end > start && m_text.at(end - 1) == u'\r')
        --end;
    return QStringView(m_text).sliced(start, end - start);
}

QString DiffView::expanded(qsizetype line) const
{
    const QStringView text = lineText(line);
    if (!text.contains(u'\t'))
        return text.toString();
    QString result;
    result.reserve(m_lines.at(line).columns);
    for (QChar c : text) {
        if (c == u'\t')
            result.append(QString(tabWidth - result.size() % tabWidth, u' '));
        else
            result.append(c);
    }
    return result;
}

int DiffView::charWidth() const
{
    return qMax(1, fontMetrics().horizontalAdvance(u'0'));
}

int DiffView::columnsPerRow(int width) const
{
    return qMax(1, (width - 2 * margin) / charWidth());
}

void DiffView::layOutRichLine(QTextLayout &layout, qsizetype line, int perRow) const
{
    layout.setText(lineText(line).toString());
    layout.setFont(font());
    layout.setTextOption(wrapOption(charWidth()));
    const int lineSpacing = fontMetrics().lineSpacing();
    layout.beginLayout();
    qreal y = 0;
    for (QTextLine row = layout.createLine(); row.isValid(); row = layout.createLine()) {
        row.setLineWidth(perRow * charWidth());
        row.setPosition(QPointF(0, y));
        y += lineSpacing;
    }
    layout.endLayout();
}

qsizetype DiffView::rowsOfLine(qsizetype line, int perRow) const
{
    const Line &l = m_lines.at(line);
    if (!l.plain()) {
        QTextLayout layout;
        layOutRichLine(layout, line, perRow);
        return qMax(1, layout.lineCount());
    }
    // Most lines fit a row; the division is left for those that do not.
    return l.columns <= perRow ? 1 : (l.columns + perRow - 1) / perRow;
}

const DiffView::Rows &DiffView::rowsThrough(int width, qsizetype row) const
{
    // Rows depend on the number of whole columns only, so the many widths that a layout
    // tries while it settles cost one count. Lines are counted only as far down as the
    // view is drawn: a diff of megabytes shown from its top counts a screenful.
    const int perRow = columnsPerRow(width);
    if (m_rows.columnsPerRow != perRow || m_rows.rowStart.isEmpty()) {
        m_rows.columnsPerRow = perRow;
        m_rows.rowStart = {0};
    }
    qsizetype counted = m_rows.rowStart.size() - 1;
    while (counted < lineCount() && m_rows.rowStart.last() <= row) {
        m_rows.rowStart.append(m_rows.rowStart.last() + rowsOfLine(counted, perRow));
        ++counted;
    }
    return m_rows;
}

qsizetype DiffView::rowCount(int width) const
{
    const int perRow = columnsPerRow(width);
    if (m_rows.columnsPerRow == perRow && m_rows.rowStart.size() == lineCount() + 1)
        return m_rows.rowStart.last();
    // A layout asks for heights at a few widths (the size hint's, with and without a
    // scroll bar) before the view is drawn at one of them: their counts are kept, so
    // that the widths do not take turns counting every line again.
    for (const RowCount &count : m_rowCounts)
        if (count.columnsPerRow == perRow)
            return count.total;
    RowCount &count = m_rowCounts[m_nextRowCount];
    m_nextRowCount = (m_nextRowCount + 1) % m_rowCounts.size();
    count.columnsPerRow = perRow;
    count.total = 0;
    for (qsizetype i = 0; i < lineCount(); ++i)
        count.total += rowsOfLine(i, perRow);
    return count.total;
}

int DiffView::heightOf(qsizetype rows) const
{
    const qint64 height = qint64(rows) * fontMetrics().lineSpacing() + 2 * margin;
    return int(qMin<qint64>(height, QWIDGETSIZE_MAX));
}

int DiffView::heightForWidth(int width) const
{
    return heightOf(rowCount(width));
}

QSize DiffView::sizeHint() const
{
    const int width = 80 * charWidth() + 2 * margin;
    return {width, heightOf(rowCount(width))};
}

QSize DiffView::minimumSizeHint() const
{
    return {charWidth() * 8 + 2 * margin, 0};
}

QStringList DiffView::displayRows(int width) const
{
    const int perRow = columnsPerRow(width);
    QStringList result;
    for (qsizetype line = 0; line < lineCount(); ++line) {
        if (!m_lines.at(line).plain()) {
            QTextLayout layout;
            layOutRichLine(layout, line, perRow);
            for (int row = 0; row < layout.lineCount(); ++row) {
                const QTextLine text = layout.lineAt(row);
                result.append(layout.text().mid(text.textStart(), text.textLength()));
            }
            continue;
        }
        const QString text = expanded(line);
        if (text.isEmpty())
            result.append(QString());
        for (qsizetype column = 0; column < text.size(); column += perRow)
            result.append(text.mid(column, perRow));
    }
    return result;
}

void DiffView::paintEvent(QPaintEvent *event)
{
    if (lineCount() == 0)
        return;
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::Text));
    const QFontMetrics metrics = fontMetrics();
    const int lineSpacing = metrics.lineSpacing();
    const QRect exposed = event->rect();
    const qsizetype firstRow = qMax(0, (exposed.top() - margin) / lineSpacing);
    const qsizetype lastRow = qMax(0, (exposed.bottom() - margin) / lineSpacing);
    const Rows &layout = rowsThrough(width(), lastRow);
    const int perRow = layout.columnsPerRow;

    // The line that holds the first exposed row.
    qsizetype lineIndex =
        std::upper_bound(layout.rowStart.cbegin(), layout.rowStart.cend() - 1, firstRow) -
        layout.rowStart.cbegin() - 1;
    lineIndex = qMax<qsizetype>(0, lineIndex);

    const qsizetype counted = layout.rowStart.size() - 1;
    for (; lineIndex < counted && layout.rowStart.at(lineIndex) <= lastRow; ++lineIndex) {
        const qsizetype top = layout.rowStart.at(lineIndex);
        const qreal y = margin + qreal(top) * lineSpacing;
        if (!m_lines.at(lineIndex).plain()) {
            QTextLayout textLayout;
            layOutRichLine(textLayout, lineIndex, perRow);
            textLayout.draw(&painter, QPointF(margin, y));
            continue;
        }
        const QString text = expanded(lineIndex);
        const qsizetype count = layout.rowStart.at(lineIndex + 1) - top;
        // Only the rows of a long wrapped line that are in view are drawn.
        const qsizetype from = qMax<qsizetype>(0, firstRow - top);
        const qsizetype to = qMin<qsizetype>(count - 1, lastRow - top);
        for (qsizetype row = from; row <= to; ++row) {
            const QString piece = text.mid(row * perRow, perRow);
            painter.drawText(QPointF(margin, y + qreal(row) * lineSpacing + metrics.ascent()),
                             piece);
        }
    }
}

void DiffView::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        invalidate();
}

void DiffView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    update();
}

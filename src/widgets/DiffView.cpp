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
        while (end < size && data[end] != u'\n') {
            const QChar c = data[end];
            if (c == u'\t')
                columns += tabWidth - columns % tabWidth;
            else
                ++columns;
            plain = plain && isPlain(c);
            ++end;
        }
        qsizetype length = end - start;
        // A carriage return before the line feed belongs to the line ending.
        if (length > 0 && data[start + length - 1] == u'\r') {
            --length;
            --columns;
            plain = true;
            for (qsizetype i = start; i < start + length && plain; ++i)
                plain = isPlain(data[i]);
        }
        m_lines.append({start, length, columns, plain});
        if (end >= size)
            break;
        start = end + 1;
    }
    invalidate();
}

void DiffView::invalidate()
{
    m_rows = Rows();
    updateGeometry();
    update();
}

QStringView DiffView::lineText(const Line &line) const
{
    return QStringView(m_text).mid(line.start, line.length);
}

QString DiffView::expanded(const Line &line) const
{
    const QStringView text = lineText(line);
    if (!text.contains(u'\t'))
        return text.toString();
    QString result;
    result.reserve(line.columns);
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

qsizetype DiffView::rowsOfRichLine(const Line &line, int wrapWidth) const
{
    QTextLayout layout(lineText(line).toString(), font());
    layout.setTextOption(wrapOption(charWidth()));
    layout.beginLayout();
    qsizetype count = 0;
    for (QTextLine row = layout.createLine(); row.isValid(); row = layout.createLine()) {
        row.setLineWidth(wrapWidth);
        ++count;
    }
    layout.endLayout();
    return qMax<qsizetype>(1, count);
}

const DiffView::Rows &DiffView::rows(int width) const
{
    const int perRow = columnsPerRow(width);
    if (m_rows.columnsPerRow == perRow && !m_rows.rowStart.isEmpty())
        return m_rows;
    // Rows depend on the number of whole columns only, so the many widths that a
    // layout tries while it settles cost one count.
    m_rows.columnsPerRow = perRow;
    m_rows.rowStart.resize(m_lines.size() + 1);
    qsizetype total = 0;
    const int wrapWidth = perRow * charWidth();
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        m_rows.rowStart[i] = total;
        const Line &line = m_lines.at(i);
        total += line.plain ? qMax<qsizetype>(1, (line.columns + perRow - 1) / perRow)
                            : rowsOfRichLine(line, wrapWidth);
    }
    m_rows.rowStart[m_lines.size()] = total;
    return m_rows;
}

int DiffView::heightForWidth(int width) const
{
    const qsizetype total = rows(width).rowStart.last();
    const qint64 height = qint64(total) * fontMetrics().lineSpacing() + 2 * margin;
    return int(qMin<qint64>(height, QWIDGETSIZE_MAX));
}

QSize DiffView::sizeHint() const
{
    const int width = 80 * charWidth() + 2 * margin;
    return {width, heightForWidth(width)};
}

QSize DiffView::minimumSizeHint() const
{
    return {charWidth() * 8 + 2 * margin, 0};
}

QStringList DiffView::displayRows(int width) const
{
    const int perRow = columnsPerRow(width);
    QStringList result;
    for (const Line &line : m_lines) {
        if (!line.plain) {
            QTextLayout layout(lineText(line).toString(), font());
            layout.setTextOption(wrapOption(charWidth()));
            layout.beginLayout();
            for (QTextLine row = layout.createLine(); row.isValid(); row = layout.createLine()) {
                row.setLineWidth(perRow * charWidth());
                result.append(layout.text().mid(row.textStart(), row.textLength()));
            }
            layout.endLayout();
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
    if (m_lines.isEmpty())
        return;
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::Text));
    const QFontMetrics metrics = fontMetrics();
    const int lineSpacing = metrics.lineSpacing();
    const Rows &layout = rows(width());
    const int perRow = layout.columnsPerRow;
    const QRect exposed = event->rect();

    const qsizetype firstRow = qMax(0, (exposed.top() - margin) / lineSpacing);
    const qsizetype lastRow = qMax(0, (exposed.bottom() - margin) / lineSpacing);
    // The line that holds the first exposed row.
    qsizetype lineIndex =
        std::upper_bound(layout.rowStart.cbegin(), layout.rowStart.cend() - 1, firstRow) -
        layout.rowStart.cbegin() - 1;
    lineIndex = qMax<qsizetype>(0, lineIndex);

    for (; lineIndex < m_lines.size() && layout.rowStart.at(lineIndex) <= lastRow; ++lineIndex) {
        const Line &line = m_lines.at(lineIndex);
        const qsizetype top = layout.rowStart.at(lineIndex);
        const qreal y = margin + qreal(top) * lineSpacing;
        if (!line.plain) {
            QTextLayout textLayout(lineText(line).toString(), font());
            textLayout.setTextOption(wrapOption(charWidth()));
            textLayout.beginLayout();
            qreal rowY = 0;
            for (QTextLine row = textLayout.createLine(); row.isValid();
                 row = textLayout.createLine()) {
                row.setLineWidth(perRow * charWidth());
                row.setPosition(QPointF(0, rowY));
                rowY += lineSpacing;
            }
            textLayout.endLayout();
            textLayout.draw(&painter, QPointF(margin, y));
            continue;
        }
        const QString text = expanded(line);
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

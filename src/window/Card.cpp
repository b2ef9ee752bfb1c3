#include "window/Card.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QTextLayout>

namespace {

// A paragraph longer than this cannot fit in five lines of any sensible width; laying
// out more of it would only cost time.
constexpr qsizetype paragraphLimit = 4096;

constexpr int horizontalPadding = 6;

struct Wrapped {
    QStringList lines;
    // Where each line starts in the whole text.
    QList<qsizetype> starts;
    bool truncated = false;
};

// Wraps the text into at most `limit` lines. With `keepText` false only the count is
// wanted, and a paragraph that fits on one line is not laid out at all.
Wrapped wrap(const QString &text, const QFont &font, int width, int limit, bool keepText)
{
    Wrapped result;
    const QFontMetrics metrics(font);
    width = qMax(width, 1);
    qsizetype offset = 0;
    while (offset <= text.size()) {
        if (result.lines.size() == limit) {
            result.truncated = true;
            break;
        }
        qsizetype end = text.indexOf(u'\n', offset);
        if (end < 0)
            end = text.size();
        const bool cut = end - offset > paragraphLimit;
        const QString paragraph = text.mid(offset, qMin(end - offset, paragraphLimit));
        if (!cut && metrics.horizontalAdvance(paragraph) <= width) {
            result.lines.append(keepText ? paragraph : QString());
            result.starts.append(offset);
        } else {
            QTextLayout layout(paragraph, font);
            QTextOption option;
            option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
            layout.setTextOption(option);
            layout.beginLayout();
            for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
                if (result.lines.size() == limit) {
                    result.truncated = true;
                    break;
                }
                line.setLineWidth(width);
                result.lines.append(paragraph.mid(line.textStart(), line.textLength()));
                result.starts.append(offset + line.textStart());
            }
            layout.endLayout();
            result.truncated = result.truncated || cut;
            if (result.truncated)
                break;
        }
        offset = end + 1;
    }
    return result;
}

} // namespace

int Card::verticalPadding() { return 6; }

QStringList Card::visibleLines(const QString &text, const QFont &font, int width)
{
    Wrapped wrapped = wrap(text, font, width, lineLimit, true);
    if (wrapped.truncated && !wrapped.lines.isEmpty()) {
        // The last line runs on with the text that did not fit, cut with an ellipsis.
        QString rest = text.mid(wrapped.starts.last(), paragraphLimit);
        rest.replace(u'\n', u' ');
        QString &last = wrapped.lines.last();
        const QFontMetrics metrics(font);
        last = metrics.elidedText(rest + QChar(0x2026), Qt::ElideRight, qMax(width, 1));
    }
    for (QString &line : wrapped.lines) {
        while (line.endsWith(u' ') && line.size() > 1)
            line.chop(1);
    }
    return wrapped.lines;
}

int Card::lineCount(const QString &text, const QFont &font, int width)
{
    return qMax<int>(1, int(wrap(text, font, width, lineLimit, false).lines.size()));
}

QRect Card::textRect(const QStyleOptionViewItem &option)
{
    return option.rect.adjusted(horizontalPadding, verticalPadding(), -horizontalPadding,
                                -verticalPadding());
}

void Card::paint(QPainter *painter, const QStyleOptionViewItem &option,
                 const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QString text = opt.text;
    // The style draws the row's background and selection; the text is ours.
    opt.text.clear();
    const QWidget *widget = opt.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

    const QRect rect = textRect(option);
    const QPalette::ColorGroup group = !(opt.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (opt.state & QStyle::State_Active) ? QPalette::Active
                                                                            : QPalette::Inactive;
    painter->save();
    painter->setClipRect(option.rect);
    painter->setFont(opt.font);
    painter->setPen(opt.palette.color(group, (opt.state & QStyle::State_Selected)
                                                 ? QPalette::HighlightedText
                                                 : QPalette::Text));
    const QFontMetrics metrics(opt.font);
    qreal baseline = rect.top() + metrics.ascent();
    // Drawn at a point, a text is never read for markup or mnemonics.
    for (const QString &line : visibleLines(text, opt.font, rect.width())) {
        painter->drawText(QPointF(rect.left(), baseline), line);
        baseline += metrics.lineSpacing();
    }
    painter->restore();
}

QSize Card::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const QString text = index.data(Qt::DisplayRole).toString();
    const QFontMetrics metrics(option.font);
    int width = textRect(option).width();
    if (width <= 0)
        width = 200;
    const int lines = lineCount(text, option.font, width);
    return {option.rect.width() > 0 ? option.rect.width() : width + 2 * horizontalPadding,
            lines * metrics.lineSpacing() + 2 * verticalPadding()};
}

#include "widgets/Card.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QTextLayout>

namespace {

// A paragraph longer than this cannot fit in five lines of any sensible width; laying
// out more of it would only cost time.
constexpr qsizetype paragraphLimit = 4096;

constexpr int horizontalPadding = 6;

struct Span {
    qsizetype start;
    qsizetype length;
};

struct Wrapped {
    // Where each line starts in the whole text, and how long it is.
    QList<Span> lines;
    bool truncated = false;
};

// Characters whose widths simply add up: Latin letters, digits and punctuation, no
// marks that combine, no tabs or controls. A paragraph of them is wrapped by counting,
// without shaping; anything else goes through a full text layout.
constexpr char16_t simpleLimit = 0x250;

bool isSimple(QStringView paragraph)
{
    for (QChar c : paragraph)
        if (c.unicode() < 0x20 || c.unicode() >= simpleLimit ||
            (c.unicode() >= 0x7f && c.unicode() < 0xa0))
            return false;
    return true;
}

// The advances of the simple characters in one font; the last font asked for is kept.
const QList<qreal> &advances(const QFont &font)
{
    static QFont cachedFont;
    static QList<qreal> table;
    if (table.isEmpty() || !(font == cachedFont)) {
        cachedFont = font;
        const QFontMetricsF metrics(font);
        table.resize(simpleLimit);
        for (char16_t c = 0x20; c < simpleLimit; ++c)
            table[c] = metrics.horizontalAdvance(QChar(c));
    }
    return table;
}

// Breaks at the last blank that fits, or anywhere in a word wider than the line.
void wrapSimple(QStringView paragraph, qsizetype offset, const QFont &font, qreal width, int limit,
                Wrapped &result)
{
    const QList<qreal> &advance = advances(font);
    qsizetype lineStart = 0;
    qsizetype breakAt = -1;
    qreal x = 0;
    for (qsizetype i = 0; i < paragraph.size(); ++i) {
        const char16_t c = paragraph[i].unicode();
        if (c == u' ') {
            x += advance[c];
            breakAt = i + 1;
            continue;
        }
        if (x + advance[c] > width && i > lineStart) {
            if (result.lines.size() == limit) {
                result.truncated = true;
                return;
            }
            const qsizetype end = breakAt > lineStart ? breakAt : i;
            result.lines.append({offset + lineStart, end - lineStart});
            lineStart = end;
            breakAt = -1;
            x = 0;
            for (qsizetype j = lineStart; j < i; ++j)
                x += advance[paragraph[j].unicode()];
        }
        x += advance[c];
    }
    if (result.lines.size() == limit) {
        result.truncated = true;
        return;
    }
    result.lines.append({offset + lineStart, paragraph.size() - lineStart});
}

void wrapWithLayout(QStringView paragraph, qsizetype offset, const QFont &font, int width,
                    int limit, Wrapped &result)
{
    QTextLayout layout(paragraph.toString(), font);
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
        result.lines.append({offset + line.textStart(), line.textLength()});
    }
    layout.endLayout();
}

// Wraps the text into at most `limit` lines.
Wrapped wrap(const QString &text, const QFont &font, int width, int limit)
{
    Wrapped result;
    width = qMax(width, 1);
    qsizetype offset = 0;
    while (offset <= text.size() && !result.truncated) {
        if (result.lines.size() == limit) {
            result.truncated = true;
            break;
        }
        qsizetype end = text.indexOf(u'\n', offset);
        if (end < 0)
            end = text.size();
        const bool cut = end - offset > paragraphLimit;
        const QStringView paragraph =
            QStringView(text).mid(offset, qMin(end - offset, paragraphLimit));
        if (isSimple(paragraph))
            wrapSimple(paragraph, offset, font, width, limit, result);
        else
            wrapWithLayout(paragraph, offset, font, width, limit, result);
        result.truncated = result.truncated || cut;
        offset = end + 1;
    }
    return result;
}

} // namespace

int Card::verticalPadding()
{
    return 6;
}

QStringList Card::visibleLines(const QString &text, const QFont &font, int width)
{
    const Wrapped wrapped = wrap(text, font, width, lineLimit);
    QStringList lines;
    for (const Span &span : wrapped.lines) {
        QString line = text.mid(span.start, span.length);
        while (line.endsWith(u' '))
            line.chop(1);
        lines.append(line);
    }
    if (wrapped.truncated && !lines.isEmpty()) {
        // The last line runs on with the text that did not fit, cut with an ellipsis.
        QString rest = text.mid(wrapped.lines.last().start, paragraphLimit);
        rest.replace(u'\n', u' ');
        lines.last() =
            QFontMetrics(font).elidedText(rest + QChar(0x2026), Qt::ElideRight, qMax(width, 1));
    }
    return lines;
}

void Card::prepareFont(const QFont &font)
{
    advances(font);
}

int Card::lineCount(const QString &text, const QFont &font, int width)
{
    return qMax<int>(1, int(wrap(text, font, width, lineLimit).lines.size()));
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
    painter->setPen(opt.palette.color(
        group, (opt.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text));
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

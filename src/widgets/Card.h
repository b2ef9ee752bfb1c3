#pragma once

#include <QStringList>
#include <QStyledItemDelegate>

// Draws one row of the change list: its text as plain text, wrapped to the row's width,
// at most five lines with the last one cut short when the text goes on.
class Card : public QStyledItemDelegate {
    Q_OBJECT

public:
    static constexpr int lineLimit = 5;

    using QStyledItemDelegate::QStyledItemDelegate;

    // The lines a row shows for the text at the width, in order.
    static QStringList visibleLines(const QString &text, const QFont &font, int width);
    // How many lines that is.
    static int lineCount(const QString &text, const QFont &font, int width);
    // The space above and below the text of a row.
    static int verticalPadding();
    // Measures ahead what rows in the font are measured with, so that the first rows
    // laid out do not wait for it.
    static void prepareFont(const QFont &font);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    static QRect textRect(const QStyleOptionViewItem &option);
};

#include "widgets/ButtonStyles.h"

#include <QStyle>
#include <QToolButton>

void VerticalLabelStyle::apply(QToolButton *button)
{
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    QFont footnote = button->font();
    footnote.setPointSizeF(footnote.pointSizeF() * 0.85);
    button->setFont(footnote);
    button->setIconSize(iconSize(button));
    button->setAutoRaise(true);
}

QSize VerticalLabelStyle::iconSize(const QWidget *widget)
{
    const int side = widget->style()->pixelMetric(QStyle::PM_ToolBarIconSize, nullptr, widget);
    return {side, side};
}

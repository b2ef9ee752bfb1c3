#include "widgets/ButtonStyles.h"

#include "widgets/Fonts.h"

#include <QStyle>
#include <QToolButton>

void VerticalLabelStyle::apply(QToolButton *button)
{
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setFont(fonts::footnote(button->font()));
    button->setIconSize(iconSize(button));
    button->setAutoRaise(true);
}

QSize VerticalLabelStyle::iconSize(const QWidget *widget)
{
    const int side = widget->style()->pixelMetric(QStyle::PM_ToolBarIconSize, nullptr, widget);
    return {side, side};
}

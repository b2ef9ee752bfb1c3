#include "window/ButtonStyles.h"

#include <QFontMetrics>
#include <QToolButton>

void VerticalLabelStyle::apply(QToolButton *button)
{
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    QFont footnote = button->font();
    footnote.setPointSizeF(footnote.pointSizeF() * 0.85);
    button->setFont(footnote);
    // Sized like a headline's line, as the icon stands in for one.
    const int side = QFontMetrics(button->parentWidget() ? button->parentWidget()->font()
                                                         : button->font())
                         .height() + 4;
    button->setIconSize({side, side});
    button->setAutoRaise(true);
}

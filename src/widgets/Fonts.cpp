#include "widgets/Fonts.h"

#include <QFontDatabase>

namespace fonts {

QFont heading(QFont body)
{
    body.setPointSizeF(body.pointSizeF() * 1.3);
    body.setBold(true);
    return body;
}

QFont sectionTitle(QFont body)
{
    body.setBold(true);
    body.setPointSizeF(body.pointSizeF() * 0.85);
    return body;
}

QFont footnote(QFont body)
{
    body.setPointSizeF(body.pointSizeF() * 0.85);
    return body;
}

QFont fixedWidth(const QFont &body)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(body.pointSizeF());
    return font;
}

} // namespace fonts

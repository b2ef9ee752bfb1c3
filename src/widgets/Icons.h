#pragma once

#include <QIcon>
#include <QString>
#include <QStringList>

namespace icons {

// The icon for one of the toolbar's symbol names ("plus", "c.square",
// "square.and.arrow.up", "square.and.arrow.down"): the icon theme's when the theme has
// a match, else the application's own, so a control never goes without its icon.
QIcon symbol(const QString &name);

// Every symbol name the application draws.
QStringList symbolNames();

// The application's own drawing of a symbol, whatever the theme holds.
QIcon fallbackSymbol(const QString &name);

} // namespace icons

#include "widgets/Icons.h"

#include <QHash>
#include <QStringList>

static void initIconResources()
{
    // The resources live in a static library, whose registration the linker may drop.
    static const bool done = [] {
        Q_INIT_RESOURCE(icons);
        return true;
    }();
    Q_UNUSED(done);
}

namespace icons {

namespace {
// The freedesktop names closest to each symbol, best first.
const QHash<QString, QStringList> &themeNameTable()
{
    static const QHash<QString, QStringList> names = {
        {QStringLiteral("plus"), {QStringLiteral("list-add")}},
        {QStringLiteral("c.square"), {QStringLiteral("vcs-commit")}},
        {QStringLiteral("square.and.arrow.up"),
         {QStringLiteral("vcs-push"), QStringLiteral("go-up")}},
        {QStringLiteral("square.and.arrow.down"),
         {QStringLiteral("vcs-pull"), QStringLiteral("go-down")}},
    };
    return names;
}

QStringList themeNames(const QString &symbol)
{
    return themeNameTable().value(symbol);
}
} // namespace

QStringList symbolNames()
{
    return themeNameTable().keys();
}

QIcon fallbackSymbol(const QString &name)
{
    initIconResources();
    return QIcon(QStringLiteral(":/icons/") + name + QStringLiteral(".svg"));
}

QIcon symbol(const QString &name)
{
    // One icon per symbol for the whole process: an icon keeps the images it has drawn,
    // so the second window's toolbar draws none again, nor reads its files.
    static QHash<QString, QIcon> made;
    const auto found = made.constFind(name);
    if (found != made.cend())
        return *found;
    QIcon icon;
    for (const QString &themeName : themeNames(name))
        if (QIcon::hasThemeIcon(themeName)) {
            icon = QIcon::fromTheme(themeName);
            break;
        }
    if (icon.isNull())
        icon = fallbackSymbol(name);
    made.insert(name, icon);
    return icon;
}

} // namespace icons

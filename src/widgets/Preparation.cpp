#include "widgets/Preparation.h"

#include "widgets/Fonts.h"
#include "widgets/Icons.h"

#include <QApplication>
#include <QCoro/QCoroTimer>
#include <QFontMetricsF>

#include <chrono>

QCoro::Task<> prepareWindowResources()
{
    static bool prepared = false;
    if (std::exchange(prepared, true))
        co_return;
    // A font in use keeps its loaded faces; these stay in use.
    static QList<QFont> kept;
    const QFont body = QApplication::font();
    for (const QFont &font : {body, fonts::heading(body), fonts::sectionTitle(body),
                              fonts::footnote(body), fonts::fixedWidth(body)}) {
        co_await QCoro::sleepFor(std::chrono::milliseconds(0));
        QFontMetricsF(font).horizontalAdvance(QStringLiteral("Change 0123456789abcdef"));
        kept.append(font);
    }
    // The toolbar's symbols come from the icon theme or the application's own drawings,
    // each through a plugin loaded at the first use.
    for (const QString &name : icons::symbolNames()) {
        co_await QCoro::sleepFor(std::chrono::milliseconds(0));
        icons::symbol(name).pixmap(24, 24);
    }
}

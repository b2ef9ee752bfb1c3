#include "widgets/Preparation.h"

#include "widgets/Card.h"
#include "widgets/Fonts.h"
#include "widgets/Icons.h"

#include <QApplication>
#include <QBackingStore>
#include <QBuffer>
#include <QCoro/QCoroFuture>
#include <QCoro/QCoroTimer>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QStyle>
#include <QtConcurrent/QtConcurrentRun>
#include <QtMath>

#include <chrono>

QCoro::Task<> prepareWindowResources()
{
    static bool prepared = false;
    if (std::exchange(prepared, true))
        co_return;
    // What a process finds once, the system's fonts and Qt's image plugins, is searched
    // on a worker (both are safe to search from any thread) while this thread goes on.
    const QFuture<void> searching = QtConcurrent::run([] {
        QFontDatabase::families();
        // A read that names no format asks every image plugin whether it can read, as
        // the first read of the toolbar overflow button's image would on this thread.
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadWrite);
        QImage(1, 1, QImage::Format_ARGB32).save(&buffer, "PNG");
        buffer.seek(0);
        QImageReader(&buffer).read();
    });
    co_await searching;
    // A font in use keeps its loaded faces and the glyphs measured and drawn with it;
    // these stay in use. The printable ASCII characters are most of what a list of
    // changes shows: the rows are measured and drawn from the glyphs loaded here.
    static QList<QFont> kept;
    QString printable;
    for (char16_t c = u' '; c <= u'~'; ++c)
        printable.append(QChar(c));
    const QFont body = QApplication::font();
    for (const QFont &font : {body, fonts::heading(body), fonts::sectionTitle(body),
                              fonts::footnote(body), fonts::fixedWidth(body)}) {
        co_await QCoro::sleepFor(std::chrono::milliseconds(0));
        const QFontMetricsF metrics(font);
        QImage line(qCeil(metrics.horizontalAdvance(printable)) + 1, qCeil(metrics.height()),
                    QImage::Format_ARGB32_Premultiplied);
        line.fill(Qt::transparent);
        QPainter painter(&line);
        painter.setFont(font);
        painter.drawText(QPointF(0, metrics.ascent()), printable);
        kept.append(font);
    }
    // The list's rows are measured with the body font, from a table of its advances.
    co_await QCoro::sleepFor(std::chrono::milliseconds(0));
    Card::prepareFont(body);
    // Qt blends tall areas on threads of a pool of its own, which it starts at the first
    // such blend and which the window's first paint would otherwise wait for. A
    // translucent fill is blended; an opaque one is copied on this thread.
    co_await QCoro::sleepFor(std::chrono::milliseconds(0));
    QImage image(8, 2048, QImage::Format_ARGB32_Premultiplied);
    QPainter(&image).fillRect(image.rect(), QColor(0, 0, 0, 128));
    // The toolbar's symbols come from the icon theme or the application's own drawings,
    // each through a plugin loaded at the first use; drawn at the toolbar's size, each
    // icon keeps its image for every window.
    const int side = QApplication::style()->pixelMetric(QStyle::PM_ToolBarIconSize);
    for (const QString &name : icons::symbolNames()) {
        co_await QCoro::sleepFor(std::chrono::milliseconds(0));
        icons::symbol(name).pixmap(side, side);
    }
}

QCoro::Task<> prepareDrawingMemory(QWidget *window)
{
    // Other platforms, Wayland's among them, make the buffer at the first paint, and
    // have none to give before.
    const QString platform = QGuiApplication::platformName();
    if (!window || !window->isWindow() || window->isVisible() ||
        (platform != u"xcb" && platform != u"offscreen"))
        co_return;
    window->winId(); // the native window, and with it the backing store
    QBackingStore *store = window->backingStore();
    if (!store)
        co_return;
    store->resize(window->size());
    QPaintDevice *device = store->paintDevice();
    if (!device || device->devType() != QInternal::Image)
        co_return;
    // A copy shares the memory and keeps it alive, should the window go meanwhile. It
    // goes before the window is drawn: the window's painter would copy a shared image.
    const QImage image = *static_cast<QImage *>(device);
    co_await QtConcurrent::run([&image] {
        // Each page is written what it holds: what the window shows is still its own
        // to draw. A hidden window is not drawn while this runs. Pages asked for ahead
        // (madvise MADV_POPULATE_WRITE) would not do: on a virtual machine with shadow
        // page tables the first write to each still traps, on the painting thread.
        constexpr qsizetype page = 4096;
        auto *bits = const_cast<uchar *>(image.constBits());
        for (qsizetype at = 0; at < image.sizeInBytes(); at += page) {
            volatile uchar *byte = bits + at;
            *byte = *byte;
        }
    });
}

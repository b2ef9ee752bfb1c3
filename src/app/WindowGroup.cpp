#include "app/WindowGroup.h"

#include "model/RepoController.h"
#include "widgets/Preparation.h"

#include <QMainWindow>
#include <QPointer>
#include <QTimer>

namespace platform {

WindowGroup &WindowGroup::instance()
{
    static WindowGroup *group = new WindowGroup;
    return *group;
}

void WindowGroup::setFactory(Factory factory)
{
    m_factory = std::move(factory);
}

QList<QMainWindow *> WindowGroup::windows() const
{
    return m_windows;
}

RepoController *WindowGroup::valueOf(const QMainWindow *window) const
{
    return window ? window->findChild<RepoController *>(QString(), Qt::FindDirectChildrenOnly)
                  : nullptr;
}

bool WindowGroup::hasValue(const QMainWindow *window) const
{
    return m_windows.contains(window) && !m_valueless.contains(window);
}

QMainWindow *WindowGroup::openWindow(std::unique_ptr<RepoController> value,
                                     const QByteArray &geometry)
{
    if (QMainWindow *open = bringForward(value.get()))
        return open;
    QMainWindow *window = makeWindow(std::move(value), geometry);
    if (window)
        present(window);
    return window;
}

QCoro::Task<QMainWindow *> WindowGroup::openPreparedWindow(std::unique_ptr<RepoController> value,
                                                           QByteArray geometry)
{
    if (QMainWindow *open = bringForward(value.get()))
        co_return open;
    const QPointer<QMainWindow> window = makeWindow(std::move(value), geometry);
    if (!window)
        co_return nullptr;
    m_preparing.append(window);
    co_await prepareDrawingMemory(window);
    m_preparing.removeOne(window.data());
    if (!window)
        co_return nullptr;
    // The first drawing waits for a later turn of the event loop: showing lays the whole
    // window out, and drawing it in the same turn held the loop twice as long. Where the
    // platform exposes a window at once, it was also drawn twice: once exposed, and again
    // for the update that showing asks for.
    window->setUpdatesEnabled(false);
    present(window);
    QTimer::singleShot(0, window, [window] { window->setUpdatesEnabled(true); });
    co_return window;
}

QMainWindow *WindowGroup::bringForward(const RepoController *value)
{
    if (!value)
        return nullptr;
    const auto holds = [this, value](const QMainWindow *window) {
        const RepoController *existing = valueOf(window);
        return existing && !m_valueless.contains(window) && *existing == *value;
    };
    // One being prepared is the window for its value too; it shows once it is ready.
    for (QMainWindow *window : std::as_const(m_preparing))
        if (holds(window))
            return window;
    for (QMainWindow *window : std::as_const(m_windows)) {
        if (holds(window)) {
            window->show();
            window->raise();
            window->activateWindow();
            return window;
        }
    }
    return nullptr;
}

QMainWindow *WindowGroup::makeWindow(std::unique_ptr<RepoController> value,
                                     const QByteArray &geometry)
{
    if (!m_factory)
        return nullptr;
    const bool hasValue = value != nullptr;
    if (!hasValue)
        value = std::make_unique<RepoController>(QUrl::fromLocalFile(QStringLiteral("/")));

    RepoController *controller = value.get();
    QMainWindow *window = m_factory(controller, hasValue);
    controller->setParent(window);
    value.release();
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (!hasValue)
        m_valueless.append(window);
    connect(window, &QObject::destroyed, this, [this, window] {
        m_windows.removeOne(window);
        m_valueless.removeOne(window);
        m_preparing.removeOne(window);
        emit windowClosed();
    });
    if (!geometry.isEmpty())
        window->restoreGeometry(geometry);
    return window;
}

void WindowGroup::present(QMainWindow *window)
{
    m_windows.append(window);
    window->show();
    window->raise();
    window->activateWindow();
    emit windowOpened(window);
}

} // namespace platform

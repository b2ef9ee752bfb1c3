#include "app/WindowGroup.h"

#include "model/RepoController.h"

#include <QMainWindow>

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
    const bool hasValue = value != nullptr;
    for (QMainWindow *window : std::as_const(m_windows)) {
        RepoController *existing = valueOf(window);
        if (hasValue && existing && WindowGroup::hasValue(window) && *existing == *value) {
            window->show();
            window->raise();
            window->activateWindow();
            return window;
        }
    }
    if (!m_factory)
        return nullptr;
    if (!hasValue)
        value = std::make_unique<RepoController>(QUrl::fromLocalFile(QStringLiteral("/")));

    RepoController *controller = value.get();
    QMainWindow *window = m_factory(controller, hasValue);
    controller->setParent(window);
    value.release();
    window->setAttribute(Qt::WA_DeleteOnClose);
    m_windows.append(window);
    if (!hasValue)
        m_valueless.append(window);
    connect(window, &QObject::destroyed, this, [this, window] {
        m_windows.removeOne(window);
        m_valueless.removeOne(window);
        emit windowClosed();
    });
    if (!geometry.isEmpty())
        window->restoreGeometry(geometry);
    window->show();
    window->raise();
    window->activateWindow();
    emit windowOpened(window);
    return window;
}

} // namespace platform

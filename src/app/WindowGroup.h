#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>

#include <functional>
#include <memory>

class QMainWindow;
class RepoController;

namespace platform {

// The application's one kind of window: each window carries a repository controller as
// its value, and windows are opened by value. No window opens at launch.
class WindowGroup : public QObject {
    Q_OBJECT

public:
    static WindowGroup &instance();

    // Builds a window's content for its controller. `hasValue` is false for a window
    // that carries no value (it then shows a controller for "/").
    using Factory = std::function<QMainWindow *(RepoController *controller, bool hasValue)>;
    void setFactory(Factory factory);

    // Opens a window for the value, or brings forward the open window whose value
    // equals it. The window owns the controller. Without a value the window shows a
    // controller for "/". Nothing opens while no factory is set. A window that comes
    // back from an earlier launch takes the place and size it had (saveGeometry's form).
    QMainWindow *openWindow(std::unique_ptr<RepoController> value,
                            const QByteArray &geometry = QByteArray());

    // The open windows, oldest first.
    QList<QMainWindow *> windows() const;
    RepoController *valueOf(const QMainWindow *window) const;
    bool hasValue(const QMainWindow *window) const;

signals:
    void windowOpened(QMainWindow *window);
    void windowClosed();

private:
    WindowGroup() = default;

    Factory m_factory;
    QList<QMainWindow *> m_windows;
    QList<const QMainWindow *> m_valueless;
};

} // namespace platform

#pragma once

#include <QByteArray>
#include <QCoro/QCoroTask>
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
    // Opens a window as openWindow does, once the memory it is drawn into is taken from
    // the system on a worker, so that its first paint does not wait for it: for the
    // windows the application opens, at launch and from the File menu. The window is
    // drawn in the turn after the one that shows it. Gives no window when the window
    // closed before it could show.
    QCoro::Task<QMainWindow *> openPreparedWindow(std::unique_ptr<RepoController> value,
                                                  QByteArray geometry = QByteArray());

    // The open windows, oldest first.
    QList<QMainWindow *> windows() const;
    RepoController *valueOf(const QMainWindow *window) const;
    bool hasValue(const QMainWindow *window) const;

signals:
    void windowOpened(QMainWindow *window);
    void windowClosed();

private:
    WindowGroup() = default;

    // The open window whose value equals `value`, brought forward.
    QMainWindow *bringForward(const RepoController *value);
    // A new window for the value, placed, neither shown nor listed.
    QMainWindow *makeWindow(std::unique_ptr<RepoController> value, const QByteArray &geometry);
    // Lists the window and shows it.
    void present(QMainWindow *window);

    Factory m_factory;
    QList<QMainWindow *> m_windows;
    QList<const QMainWindow *> m_valueless;
    // Windows that open once their drawing memory is taken, listed in m_windows from
    // then on; shown before that, their first paint would copy what the worker writes.
    QList<QMainWindow *> m_preparing;
};

} // namespace platform

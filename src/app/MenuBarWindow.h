#pragma once

#include <QMainWindow>

namespace platform {

// Off macOS a menu bar needs a window: this small window carries the application's
// menus while no repository window is open. It publishes no focused values, so the
// repository menus find no window to act on. Closing it ends the application.
class MenuBarWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MenuBarWindow(QWidget *parent = nullptr);

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;
};

} // namespace platform

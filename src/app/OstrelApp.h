#pragma once

#include "app/MenuBarWindow.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <QPointer>

#include <memory>

class ChangeMenuCommands;
class HelpMenu;
class NewRepoView;
class OpenRepoView;
class QAction;
class QMainWindow;
class RepoController;
class RepositoryMenuCommands;
class UpdaterView;

namespace platform {
class Updater;
} // namespace platform

// The application: one kind of window, each showing one repository opened by value, and
// the menu commands every window carries. No window opens at launch but those of the
// last session.
class OstrelApp : public QObject {
    Q_OBJECT

public:
    explicit OstrelApp(QObject *parent = nullptr);
    ~OstrelApp() override;

    // The process entry: runs the application until it quits.
    static int main(int argc, char **argv);

    // Reopens the windows open when the application last quit, while the event loop
    // runs; once they are back and no repository window is open, the menu-bar window
    // carries the menus.
    void launch();

    // Stores the open windows for the next launch, then ends the application.
    void quit();

    // Fills a window's menu bar with the application's menus.
    void installMenus(QMainWindow *window) const;

    platform::Updater *updaterViewModel() const { return m_updaterViewModel.get(); }
    platform::MenuBarWindow *menuBarWindow() const { return m_menuBarWindow; }

private:
    QMainWindow *makeWindow(RepoController *controller, bool hasValue) const;
    QCoro::Task<> restoreWindows();
    void showMenuBarWindowWhenAlone();
    void toggleSidebar();
    void updateSidebarItem();

    std::unique_ptr<platform::Updater> m_updaterViewModel;

    // The command groups, in the order they are installed.
    UpdaterView *m_updaterView;
    NewRepoView *m_newRepo;
    OpenRepoView *m_openRepo;
    HelpMenu *m_helpMenu;
    QAction *m_toggleSidebar;
    RepositoryMenuCommands *m_repositoryMenu;
    ChangeMenuCommands *m_changeMenu;

    QAction *m_about;
    QAction *m_closeWindow;
    QAction *m_quit;

    QPointer<platform::MenuBarWindow> m_menuBarWindow;
    bool m_quitting = false;
};

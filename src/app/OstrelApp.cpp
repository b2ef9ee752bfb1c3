#include "app/OstrelApp.h"

#include "app/ChangeMenuCommands.h"
#include "app/FileMenuCommands.h"
#include "app/HelpCommands.h"
#include "app/MenuBarWindow.h"
#include "app/RepositoryMenuCommands.h"
#include "app/Updater.h"
#include "app/UpdaterView.h"
#include "app/WindowGroup.h"
#include "app/WindowRestoration.h"
#include "dialogs/MessageBoxAlerts.h"
#include "dialogs/WindowOpener.h"
#include "model/Memory.h"
#include "model/RepoController.h"
#include "widgets/Preparation.h"
#include "window/FocusedValues.h"
#include "window/RepoView.h"
#include "window/Sidebar.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>

namespace {

// The active repository window's sidebar column, if any.
QWidget *focusedSidebarColumn()
{
    auto *view = qobject_cast<RepoView *>(platform::FocusedValues::instance().focusedWindow());
    return view ? view->sidebar() : nullptr;
}

} // namespace

OstrelApp::OstrelApp(QObject *parent)
    : QObject(parent), m_updaterViewModel(std::make_unique<platform::Updater>())
{
    m_updaterViewModel->start();

    m_updaterView = new UpdaterView(m_updaterViewModel.get(), this);
    m_newRepo = new NewRepoView(this);
    m_openRepo = new OpenRepoView(this);
    m_helpMenu = new HelpMenu(this);
    m_toggleSidebar = new QAction(tr("Hide Sidebar"), this);
    m_toggleSidebar->setShortcut(QKeySequence(Qt::CTRL | Qt::META | Qt::Key_S));
    m_repositoryMenu = new RepositoryMenuCommands(this);
    m_changeMenu = new ChangeMenuCommands(this);

    m_about = new QAction(tr("About Ostrel"), this);
    m_about->setMenuRole(QAction::AboutRole);
    m_closeWindow = new QAction(tr("Close Window"), this);
    m_closeWindow->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    m_quit = new QAction(tr("Quit"), this);
    m_quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    m_quit->setMenuRole(QAction::QuitRole);

    connect(m_toggleSidebar, &QAction::triggered, this, &OstrelApp::toggleSidebar);
    connect(&platform::FocusedValues::instance(), &platform::FocusedValues::changed, this,
            &OstrelApp::updateSidebarItem);
    updateSidebarItem();
    connect(m_about, &QAction::triggered, this, [] {
        auto *box = new QMessageBox(
            QMessageBox::NoIcon, tr("About Ostrel"),
            QStringLiteral("Ostrel %1").arg(platform::Updater::applicationVersion().toString()),
            QMessageBox::Ok, QApplication::activeWindow());
        box->setTextFormat(Qt::PlainText);
        box->setInformativeText(
            tr("A graphical front end for the Jujutsu version-control system."));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    });
    connect(m_closeWindow, &QAction::triggered, this, [] {
        if (QWidget *window = QApplication::activeWindow())
            window->window()->close();
    });
    connect(m_quit, &QAction::triggered, this, &OstrelApp::quit);

    platform::WindowGroup &group = platform::WindowGroup::instance();
    group.setFactory([this](RepoController *controller, bool hasValue) {
        return makeWindow(controller, hasValue);
    });
    setRepositoryWindowOpener([](const QUrl &folder) {
        platform::WindowGroup::instance().openPreparedWindow(
            std::make_unique<RepoController>(folder));
    });
    connect(&group, &platform::WindowGroup::windowOpened, this, [this] {
        if (m_menuBarWindow)
            m_menuBarWindow->hide();
    });
    connect(&group, &platform::WindowGroup::windowClosed, this,
            &OstrelApp::showMenuBarWindowWhenAlone);

    // The menu-bar window takes over when the last repository window closes; the
    // application ends when that window closes, or by Quit.
    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        app->setQuitOnLastWindowClosed(false);
        connect(app, &QGuiApplication::commitDataRequest, this, [] {
            platform::WindowRestoration::saveWindows(platform::WindowGroup::instance());
        });
    }
}

OstrelApp::~OstrelApp()
{
    m_quitting = true;
    platform::WindowGroup &group = platform::WindowGroup::instance();
    disconnect(&group, nullptr, this, nullptr);
    group.setFactory({});
    setRepositoryWindowOpener({});
    for (QMainWindow *window : group.windows())
        delete window;
    delete m_menuBarWindow;
}

int OstrelApp::main(int argc, char **argv)
{
    platform::keepFreedMemory();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ostrel"));
    QApplication::setApplicationVersion(platform::Updater::applicationVersion().toString());
    platform::installMessageBoxAlerts();
    OstrelApp app;
    app.launch();
    return QApplication::exec();
}

void OstrelApp::launch()
{
    restoreWindows();
}

QCoro::Task<> OstrelApp::restoreWindows()
{
    QPointer<OstrelApp> self(this);
    co_await platform::WindowRestoration::restoreWindows(platform::WindowGroup::instance());
    if (!self)
        co_return;
    showMenuBarWindowWhenAlone();
    // While nobody waits on it, so that the first window opens faster.
    co_await prepareWindowResources();
}

void OstrelApp::quit()
{
    if (m_quitting)
        return;
    m_quitting = true;
    platform::WindowRestoration::saveWindows(platform::WindowGroup::instance());
    QCoreApplication::quit();
}

void OstrelApp::installMenus(QMainWindow *window) const
{
    QMenuBar *bar = window->menuBar();

    QMenu *file = bar->addMenu(tr("File"));
    file->addAction(m_newRepo->item());
    file->addAction(m_openRepo->item());
    file->addSeparator();
    file->addAction(m_closeWindow);
    file->addAction(m_quit);

    QMenu *view = bar->addMenu(tr("View"));
    view->addAction(m_toggleSidebar);

    m_repositoryMenu->addMenu(bar);
    m_changeMenu->addMenu(bar);

    // Off macOS the About item, and the update command after it, live in the Help menu.
    QMenu *help = bar->addMenu(tr("Help"));
    help->addAction(m_about);
    help->addAction(m_updaterView->item());
    help->addSeparator();
    help->addActions(m_helpMenu->items());
}

QMainWindow *OstrelApp::makeWindow(RepoController *controller, bool hasValue) const
{
    auto *window = new RepoView(controller);
    installMenus(window);
    if (!hasValue) {
        window->setWindowTitle(QStringLiteral("Repo"));
        return window;
    }
    // "[*]" in a title stands for the modified mark; doubled it shows as written.
    const auto updateTitle = [window, controller] {
        window->setWindowTitle(controller->repo().folder.name().replace(QStringLiteral("[*]"),
                                                                        QStringLiteral("[*][*]")));
    };
    updateTitle();
    connect(controller, &RepoController::repoChanged, window, updateTitle);
    return window;
}

void OstrelApp::showMenuBarWindowWhenAlone()
{
    if (m_quitting || !platform::WindowGroup::instance().windows().isEmpty())
        return;
    if (!m_menuBarWindow) {
        m_menuBarWindow = new platform::MenuBarWindow;
        installMenus(m_menuBarWindow);
        connect(m_menuBarWindow, &platform::MenuBarWindow::closed, this, &OstrelApp::quit);
    }
    m_menuBarWindow->show();
    m_menuBarWindow->raise();
    m_menuBarWindow->activateWindow();
}

void OstrelApp::toggleSidebar()
{
    if (QWidget *sidebar = focusedSidebarColumn())
        sidebar->setVisible(sidebar->isHidden());
    updateSidebarItem();
}

void OstrelApp::updateSidebarItem()
{
    const QWidget *sidebar = focusedSidebarColumn();
    m_toggleSidebar->setText(sidebar && sidebar->isHidden() ? tr("Show Sidebar")
                                                            : tr("Hide Sidebar"));
}

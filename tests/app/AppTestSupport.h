#pragma once

#include "dialogs/Sheet.h"
#include "model/SidebarSelection.h"
#include "support/TestSupport.h"

#include <QList>
#include <QMainWindow>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

class QMenu;
class QMenuBar;
class RepoController;
class SheetPresenter;

namespace testing {

// A jj that records every run (its folder and arguments) and answers with the given
// shell script body, which sees the arguments as "$@" and may call holdUntilOpen to
// wait for the gate (or for the end of the test).
class LoggingJj {
public:
    explicit LoggingJj(const QString &answers = QString());

    QList<LoggedRun> runs() const;
    QList<QStringList> commands() const;
    QString gatePath() const { return m_dir.filePath(QStringLiteral("gate")); }
    void openGate() const;

private:
    QTemporaryDir m_dir;
    std::unique_ptr<ScriptedJj> m_jj;
};

// A window that publishes the three focused values as a repository window does, and
// records what the menus write into it. It presents the dialogs asked for when given
// a presenter.
class FocusedWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit FocusedWindow(const QString &folder, bool publishSelection = true);

    RepoController *controller;
    SheetPresenter *presenter = nullptr;
    QList<Sheet> shownSheets;
    SidebarSelection selection = SidebarSelection::change(ChangeCategory::allChanges);
};

// Shows a window and makes it the active one.
bool activate(QWidget *window);

// One line per item: its text, a tab and its shortcut; "--" for a divider.
QStringList describe(const QMenu *menu);
QMenu *menuTitled(const QMenuBar *bar, const QString &title);
// The item of a window's menu, or null.
QAction *menuItem(const QMainWindow *window, const QString &menu, const QString &text);
// The open repository windows.
QList<QMainWindow *> repositoryWindows();
QStringList menuTitles(const QMenuBar *bar);

// Saves a picture of the widget as NAME.png in the folder named by the environment
// variable OSTREL_TEST_SCREENSHOTS, when it is set.
void saveScreenshot(QWidget *widget, const QString &name);

} // namespace testing

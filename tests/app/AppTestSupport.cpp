#include "AppTestSupport.h"

#include "app/WindowGroup.h"
#include "dialogs/SheetPresenter.h"
#include "model/RepoController.h"
#include "window/FocusedValues.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

namespace testing {

LoggingJj::LoggingJj(const QString &answers)
{
    const QString log = m_dir.filePath(QStringLiteral("log"));
    const QString script = QStringLiteral("GATE='%1'\n"
                                          "holdUntilOpen() { while [ ! -e \"$GATE\" ] && [ -d "
                                          "\"${GATE%/*}\" ]; do sleep 0.02; done; }\n")
                               .arg(gatePath()) +
                           logRunShellLine(u'\'' + log + u'\'') + answers;
    m_jj = std::make_unique<ScriptedJj>(script);
}

QList<LoggedRun> LoggingJj::runs() const
{
    return readRunLog(m_dir.filePath(QStringLiteral("log")));
}

QList<QStringList> LoggingJj::commands() const
{
    QList<QStringList> result;
    for (const LoggedRun &run : runs())
        result.append(run.arguments);
    return result;
}

void LoggingJj::openGate() const
{
    writeFile(gatePath(), "open");
}

FocusedWindow::FocusedWindow(const QString &folder, bool publishSelection)
    : controller(new RepoController(QUrl::fromLocalFile(folder), this))
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    resize(300, 200);
    auto &values = platform::FocusedValues::instance();
    RepoController *c = controller;
    values.publishRepoController(this, {[c] { return c; }, {}});
    values.publishSheetToShow(
        this, {[this] { return shownSheets.isEmpty() ? Sheet::addChange : shownSheets.last(); },
               [this](const Sheet &sheet) {
                   shownSheets.append(sheet);
                   if (presenter)
                       presenter->setSheet(sheet);
               }});
    if (publishSelection) {
        values.publishSidebarSelection(
            this,
            {[this] { return selection; }, [this](const SidebarSelection &s) { selection = s; }});
    }
}

bool activate(QWidget *window)
{
    window->show();
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}

QStringList describe(const QMenu *menu)
{
    QStringList lines;
    for (const QAction *action : menu->actions()) {
        if (action->isSeparator())
            lines.append(QStringLiteral("--"));
        else if (action->shortcut().isEmpty())
            lines.append(action->text());
        else
            lines.append(action->text() + u'\t' + action->shortcut().toString());
    }
    return lines;
}

QMenu *menuTitled(const QMenuBar *bar, const QString &title)
{
    for (QAction *action : bar->actions())
        if (action->menu() && action->text() == title)
            return action->menu();
    return nullptr;
}

QAction *menuItem(const QMainWindow *window, const QString &menu, const QString &text)
{
    const QMenu *found = menuTitled(window->menuBar(), menu);
    if (!found)
        return nullptr;
    for (QAction *action : found->actions())
        if (action->text() == text)
            return action;
    return nullptr;
}

QList<QMainWindow *> repositoryWindows()
{
    return platform::WindowGroup::instance().windows();
}

QStringList menuTitles(const QMenuBar *bar)
{
    QStringList titles;
    for (const QAction *action : bar->actions())
        titles.append(action->text());
    return titles;
}

void saveScreenshot(QWidget *widget, const QString &name)
{
    const QString folder = qEnvironmentVariable("OSTREL_TEST_SCREENSHOTS");
    if (!folder.isEmpty())
        widget->grab().save(QDir(folder).filePath(name + QStringLiteral(".png")));
}

} // namespace testing

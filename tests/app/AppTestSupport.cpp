#include "AppTestSupport.h"

#include "dialogs/SheetPresenter.h"
#include "model/RepoController.h"
#include "platform/FocusedValues.h"

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
    const QString script =
        QStringLiteral("GATE='%1'\n"
                       "holdUntilOpen() { while [ ! -e \"$GATE\" ] && [ -d \"${GATE%/*}\" ]; do sleep 0.02; done; }\n")
            .arg(gatePath()) +
        QStringLiteral("{ printf '%s' \"$PWD\"; for a in \"$@\"; do printf '\\037%s' \"$a\"; done; "
                       "printf '\\036'; } >> '%1'\n")
            .arg(log) +
        answers;
    m_jj = std::make_unique<ScriptedJj>(script);
}

QList<LoggingJj::Run> LoggingJj::runs() const
{
    QFile file(m_dir.filePath(QStringLiteral("log")));
    QList<Run> result;
    if (!file.open(QIODevice::ReadOnly))
        return result;
    const QStringList records = QString::fromUtf8(file.readAll()).split(u'\036', Qt::SkipEmptyParts);
    for (const QString &record : records) {
        QStringList fields = record.split(u'\037');
        const QString folder = fields.takeFirst();
        result.append({folder, fields});
    }
    return result;
}

QList<QStringList> LoggingJj::commands() const
{
    QList<QStringList> result;
    for (const Run &run : runs())
        result.append(run.arguments);
    return result;
}

void LoggingJj::openGate() const { writeFile(gatePath(), "open"); }

FocusedWindow::FocusedWindow(const QString &folder, bool publishSelection)
    : controller(new RepoController(QUrl::fromLocalFile(folder), this))
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    resize(300, 200);
    auto &values = platform::FocusedValues::instance();
    RepoController *c = controller;
    values.publish<RepoController *>(this, QStringLiteral("repoController"), {[c] { return c; }, {}});
    values.publish<Sheet>(this, QStringLiteral("sheetToShow"),
                          {[this] { return shownSheets.isEmpty() ? Sheet::addChange : shownSheets.last(); },
                           [this](const Sheet &sheet) {
                               shownSheets.append(sheet);
                               if (presenter)
                                   presenter->setSheet(sheet);
                           }});
    if (publishSelection) {
        values.publish<SidebarSelection>(
            this, QStringLiteral("sidebarSelection"),
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

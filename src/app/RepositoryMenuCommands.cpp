#include "app/RepositoryMenuCommands.h"

#include "model/RepoController.h"
#include "widgets/AsyncButton.h"

#include <QAction>
#include <QPointer>

RepositoryMenuCommands::RepositoryMenuCommands(QObject *parent)
    : MenuCommands(tr("Repository"), parent)
{
    m_push = addItem(tr("Push"), QKeySequence(Qt::CTRL | Qt::Key_P));
    m_pull = addItem(tr("Pull"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
    addDivider();
    m_clone = addItem(tr("Clone"));

    connect(m_push, &QAction::triggered, this, [] { showSheet(Sheet::push); });
    new AsyncMenuAction(m_pull, &RepositoryMenuCommands::pull);
    connect(m_clone, &QAction::triggered, this, [] { showSheet(Sheet::clone); });
}

QCoro::Task<> RepositoryMenuCommands::pull()
{
    platform::FocusedValues &focused = platform::FocusedValues::instance();
    QPointer<RepoController> controller = focusedController();
    if (!controller)
        co_return;
    // The window the pull started on, whichever window is active when the fetch ends.
    QPointer<QWidget> window = focused.focusedWindow();
    const auto selection = focused.sidebarSelection();
    // Named: a temporary converted into the argument would be destroyed twice by GCC 12.
    std::function<std::optional<SidebarSelection>()> shownList =
        [window, selection]() -> std::optional<SidebarSelection> {
        if (!window)
            return std::nullopt;
        return selection && selection->get ? selection->get()
                                           : SidebarSelection::change(ChangeCategory::allChanges);
    };
    co_await controller->pullAndReload(std::move(shownList));
}

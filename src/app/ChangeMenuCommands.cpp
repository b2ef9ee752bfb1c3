#include "app/ChangeMenuCommands.h"

#include "model/RepoController.h"
#include "widgets/AsyncButton.h"

#include <QAction>
#include <QPointer>

ChangeMenuCommands::ChangeMenuCommands(QObject *parent) : MenuCommands(tr("Change"), parent)
{
    m_addChange = addItem(tr("Add Change"), QKeySequence(Qt::CTRL | Qt::Key_N));
    m_commitChange = addItem(tr("Commit Change"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    m_mergeChanges = addItem(tr("Merge Changes"), QKeySequence(Qt::CTRL | Qt::Key_M));
    addDivider();
    m_removeChange = addItem(tr("Remove Change"), QKeySequence(Qt::CTRL | Qt::Key_Backspace));
    addDivider();
    m_editDescription = addItem(tr("Edit Description"), QKeySequence(Qt::CTRL | Qt::Key_E));

    new AsyncMenuAction(m_addChange, &ChangeMenuCommands::addChange);
    connect(m_commitChange, &QAction::triggered, this, [] { showSheet(Sheet::addChange); });
    new AsyncMenuAction(m_mergeChanges, &ChangeMenuCommands::mergeChanges);
    m_removeRunner = new AsyncMenuAction(m_removeChange, &ChangeMenuCommands::removeChanges);
    connect(m_editDescription, &QAction::triggered, this,
            [] { showSheet(Sheet::editChangeDescription); });

    connect(&platform::FocusedValues::instance(), &platform::FocusedValues::changed, this,
            &ChangeMenuCommands::updateRemoveChange);
    updateRemoveChange();
}

void ChangeMenuCommands::updateRemoveChange()
{
    m_removeRunner->setAvailable(focusedController() != nullptr);
}

QCoro::Task<> ChangeMenuCommands::addChange()
{
    QPointer<RepoController> controller = focusedController();
    if (controller)
        co_await controller->addChange();
}

QCoro::Task<> ChangeMenuCommands::mergeChanges()
{
    QPointer<RepoController> controller = focusedController();
    if (controller)
        co_await controller->merge(controller->repo().selectedChanges);
}

QCoro::Task<> ChangeMenuCommands::removeChanges()
{
    QPointer<RepoController> controller = focusedController();
    if (controller)
        co_await controller->removeSelectedChanges(RepoController::Removal::abandoned);
}

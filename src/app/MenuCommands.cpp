#include "app/MenuCommands.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

MenuCommands::MenuCommands(const QString &title, QObject *parent) : QObject(parent), m_title(title)
{}

QMenu *MenuCommands::addMenu(QMenuBar *menuBar) const
{
    QMenu *menu = menuBar->addMenu(m_title);
    menu->addActions(m_items);
    return menu;
}

QAction *MenuCommands::addItem(const QString &text, const QKeySequence &shortcut)
{
    auto *action = new QAction(text, this);
    action->setShortcut(shortcut);
    m_items.append(action);
    return action;
}

void MenuCommands::addDivider()
{
    auto *divider = new QAction(this);
    divider->setSeparator(true);
    m_items.append(divider);
}

RepoController *MenuCommands::focusedController()
{
    const auto binding = platform::FocusedValues::instance().repoController();
    return binding && binding->get ? binding->get() : nullptr;
}

void MenuCommands::showSheet(Sheet sheet)
{
    const auto binding = platform::FocusedValues::instance().sheetToShow();
    if (binding && binding->set)
        binding->set(sheet);
}

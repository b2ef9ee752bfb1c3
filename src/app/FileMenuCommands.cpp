#include "app/FileMenuCommands.h"

#include "dialogs/Panels.h"
#include "dialogs/WindowOpener.h"
#include "model/Alert.h"
#include "model/Repo.h"
#include "widgets/AsyncButton.h"

#include <QAction>
#include <QApplication>

#include <cstdio>

NewRepoView::NewRepoView(QObject *parent)
    : QObject(parent), m_item(new QAction(tr("New Repository"), this))
{
    m_item->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
    new AsyncMenuAction(m_item, &NewRepoView::createRepository);
}

QCoro::Task<> NewRepoView::createRepository()
{
    platform::SavePanelOptions panel;
    panel.title = tr("Create Jujutsu Repository");
    panel.prompt = tr("Create Repository");
    panel.nameFieldLabel = tr("Repository Name:");
    panel.canCreateDirectories = true;
    const std::optional<QUrl> url =
        co_await platform::runSavePanel(panel, QApplication::activeWindow());
    if (!url || url->isEmpty())
        co_return;
    // A failed creation has shown its alert; the window opens for the chosen place anyway.
    co_await Repo::create(*url);
    openRepositoryWindow(*url);
}

OpenRepoView::OpenRepoView(QObject *parent)
    : QObject(parent), m_item(new QAction(tr("Open Repository"), this))
{
    m_item->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(m_item, &QAction::triggered, this, [] { chooseFolder(); });
}

QCoro::Task<> OpenRepoView::chooseFolder()
{
    const platform::FolderChoice choice =
        co_await platform::runFolderPanel(QApplication::activeWindow());
    if (!choice.url) {
        if (!choice.error.isEmpty()) {
            std::printf("%s\n", qPrintable(choice.error));
            std::fflush(stdout);
        }
        co_return;
    }
    if (Repo::isJujutsuRepo(*choice.url)) {
        openRepositoryWindow(*choice.url);
        co_return;
    }
    co_await platform::runModalAlert(
        tr("No Jujutsu repo found"),
        tr("The app could not find a Jujutsu repo in the following folder: ") +
            Folder(*choice.url).name());
}

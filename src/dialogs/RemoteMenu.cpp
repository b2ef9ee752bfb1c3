#include "dialogs/RemoteMenu.h"

#include "dialogs/SheetPresenter.h"
#include "model/Repo.h"

RemoteMenu::RemoteMenu(QPointer<RepoController> controller, QWidget *parent)
    : Picker(std::move(controller), tr("Remote:"), tr("Add Remote…"), Sheet::addRemote, parent)
{
    rebuildMenu();
}

bool RemoteMenu::addingRemote() const
{
    return addSheet()->sheet().has_value();
}

QString RemoteMenu::title(const Repo &repo) const
{
    return repo.currentRemote ? repo.currentRemote->name : tr("No remote selected");
}

QList<Picker::Item> RemoteMenu::items(const Repo &repo) const
{
    QList<Item> items;
    for (const Remote &remote : repo.remotes)
        if (!remote.name.isEmpty())
            items.append({remote.name, [remote](Repo &r) { r.currentRemote = remote; }});
    return items;
}

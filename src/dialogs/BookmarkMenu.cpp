#include "dialogs/BookmarkMenu.h"

#include "dialogs/SheetPresenter.h"
#include "model/Repo.h"

BookmarkMenu::BookmarkMenu(QPointer<RepoController> controller, QWidget *parent)
    : Picker(std::move(controller), tr("Bookmark:"), tr("Add Bookmark…"), Sheet::addBookmark,
             parent)
{
    rebuildMenu();
}

bool BookmarkMenu::addingBookmark() const
{
    return addSheet()->sheet().has_value();
}

QString BookmarkMenu::title(const Repo &repo) const
{
    return repo.currentBookmark ? repo.currentBookmark->name : tr("No bookmark selected");
}

QList<Picker::Item> BookmarkMenu::items(const Repo &repo) const
{
    QList<Item> items;
    for (const Bookmark &bookmark : repo.bookmarks)
        items.append({bookmark.name, [bookmark](Repo &r) { r.currentBookmark = bookmark; }});
    return items;
}

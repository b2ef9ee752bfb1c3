#include "dialogs/SheetView.h"

#include "dialogs/AddBookmarkView.h"
#include "dialogs/AddChangeView.h"
#include "dialogs/AddRemoteView.h"
#include "dialogs/CloneView.h"
#include "dialogs/EditDescriptionView.h"
#include "dialogs/PushView.h"
#include "model/RepoController.h"

QDialog *makeSheetView(Sheet sheet, RepoController *controller, QWidget *parent)
{
    const QPointer<RepoController> repoController(controller);
    switch (sheet) {
    case Sheet::addBookmark:
        return new AddBookmarkView(repoController, parent);
    case Sheet::addChange:
        return new AddChangeView(repoController, parent);
    case Sheet::addRemote:
        return new AddRemoteView(repoController, parent);
    case Sheet::editChangeDescription:
        return new EditDescriptionView(repoController, parent);
    case Sheet::push:
        return new PushView(repoController, parent);
    case Sheet::clone:
        return new CloneView(parent);
    }
    Q_UNREACHABLE();
    return nullptr;
}

// Saves a picture of every dialog sheet, for looking at the layout:
//   xvfb-run -a build/tests/dialog_screenshots <folder>
#include "dialogs/AddChangeView.h"
#include "dialogs/BookmarkMenu.h"
#include "dialogs/PushView.h"
#include "dialogs/SheetPresenter.h"
#include "model/RepoController.h"
#include "widgets/AsyncButton.h"

#include <QApplication>
#include <QDir>
#include <QMainWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();

    Repo repo = Repo::empty(QUrl::fromLocalFile(QStringLiteral("/home/user/ostrel")));
    auto change = std::make_shared<Change>();
    change->setChangeId(QStringLiteral("kkmpptxz"));
    change->setDescription(
        QStringLiteral("Teach the reader about <b>bookmarks</b>\n\nAnd remotes."));
    repo.changes = {std::make_shared<Change>(), change};
    repo.selectedChanges = {change};
    repo.bookmarks = {Bookmark{QStringLiteral("main")}, Bookmark{QStringLiteral("fix&ship")}};
    repo.remotes = {
        Remote{QStringLiteral("origin"), QUrl(QStringLiteral("https://example.com/a"))}};
    repo.currentBookmark = repo.bookmarks[1];
    RepoController controller(repo);

    QMainWindow window;
    window.resize(900, 600);
    window.show();
    SheetPresenter presenter(&window, [&] { return &controller; });

    const QList<std::pair<Sheet, QString>> sheets = {
        {Sheet::addBookmark, QStringLiteral("addBookmark")},
        {Sheet::addChange, QStringLiteral("addChange")},
        {Sheet::addRemote, QStringLiteral("addRemote")},
        {Sheet::editChangeDescription, QStringLiteral("editChangeDescription")},
        {Sheet::push, QStringLiteral("push")},
        {Sheet::clone, QStringLiteral("clone")},
    };
    for (const auto &[sheet, name] : sheets) {
        presenter.setSheet(sheet);
        QDialog *dialog = presenter.dialog();
        // Let the dialog lay itself out and paint once.
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
        const QString path = QDir(folder).filePath(name + QStringLiteral(".png"));
        dialog->grab().save(path);
        std::printf("%s %dx%d\n", qPrintable(path), dialog->width(), dialog->height());
        if (auto *commit = qobject_cast<AddChangeView *>(dialog)) {
            // The action button while its action runs: caught before jj can answer.
            commit->editor()->setPlainText(QStringLiteral("Fix the parser"));
            commit->actionButton()->button()->click();
            QCoreApplication::processEvents();
            commit->grab().save(QDir(folder).filePath(QStringLiteral("addChange-running.png")));
        }
        if (auto *push = qobject_cast<PushView *>(dialog)) {
            QMenu *menu = push->bookmarkMenu()->menu();
            menu->popup(push->mapToGlobal(push->bookmarkMenu()->geometry().bottomLeft()));
            for (int i = 0; i < 5; ++i)
                QCoreApplication::processEvents();
            menu->grab().save(QDir(folder).filePath(QStringLiteral("push-bookmark-menu.png")));
            menu->hide();
        }
        presenter.setSheet(std::nullopt);
    }
    return 0;
}

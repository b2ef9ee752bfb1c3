#include "support/FakeJj.h"

#include "dialogs/AddBookmarkView.h"
#include "dialogs/AddChangeView.h"
#include "dialogs/AddRemoteView.h"
#include "dialogs/BookmarkMenu.h"
#include "dialogs/CloneView.h"
#include "dialogs/EditDescriptionView.h"
#include "dialogs/PushView.h"
#include "dialogs/RemoteMenu.h"
#include "dialogs/SheetPresenter.h"
#include "dialogs/SheetView.h"
#include "model/RepoController.h"
#include "widgets/AsyncButton.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextCursor>

Q_DECLARE_METATYPE(Sheet)

namespace {

ChangePtr change(const QString &id, const QString &description = QString())
{
    return testing::makeChange(id, description);
}

Repo sampleRepo()
{
    Repo repo = Repo::empty(QUrl::fromLocalFile(QStringLiteral("/nowhere/repo")));
    repo.bookmarks = {Bookmark{QStringLiteral("main")}, Bookmark{QStringLiteral("fix&ship")}};
    repo.remotes = {Remote{QStringLiteral("origin"), QUrl(QStringLiteral("https://example.com/a"))},
                    Remote{QString(), QUrl(QStringLiteral("file:"))},
                    Remote{QStringLiteral("backup"), QUrl(QStringLiteral("file:///srv/b"))}};
    return repo;
}

QString promptOf(const QDialog *dialog)
{
    const auto labels = dialog->findChildren<QLabel *>();
    return labels.isEmpty() ? QString() : labels.first()->text();
}

QStringList menuTexts(const QMenu *menu)
{
    QStringList texts;
    for (const QAction *action : menu->actions())
        texts << action->text();
    return texts;
}

QAction *menuItem(const QMenu *menu, const QString &text)
{
    for (QAction *action : menu->actions())
        if (action->text() == text)
            return action;
    return nullptr;
}

} // namespace

class TestSheets : public QObject {
    Q_OBJECT

private slots:
    void sheetViewBuildsEachDialog_data();
    void sheetViewBuildsEachDialog();
    void frameLayout();
    void cancelClosesAndClearsThePresenter();
    void escapeIsCancel();
    void eachPresentationIsFresh();
    void sameSheetAgainKeepsTheDialog();
    void dismissAfterCloseDoesNothing();
    void editDialogOpensWithFirstSelectedDescription();
    void editorsKeepEveryCharacter();
    void pickerTitlesAndItems();
    void choosingAnEntryAlwaysNotifies();
    void pickerFollowsTheModel();
    void addItemsOpenOverThePushDialog();
};

void TestSheets::sheetViewBuildsEachDialog_data()
{
    QTest::addColumn<Sheet>("sheet");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QStringList>("fields");
    QTest::newRow("addBookmark") << Sheet::addBookmark << "AddBookmarkView"
                                 << "Enter a name for the new bookmark"
                                 << "Add Bookmark" << QStringList{"Bookmark Name: "};
    QTest::newRow("addChange") << Sheet::addChange << "AddChangeView"
                               << "Enter a description of what changed"
                               << "Commit Change" << QStringList();
    QTest::newRow("addRemote") << Sheet::addRemote << "AddRemoteView"
                               << "Enter new remote information"
                               << "Add Remote" << QStringList{"Remote Name:", "Remote Location:"};
    QTest::newRow("editChangeDescription") << Sheet::editChangeDescription << "EditDescriptionView"
                                           << "Enter the change description"
                                           << "Update Description" << QStringList();
    QTest::newRow("push") << Sheet::push << "PushView"
                          << "Choose a bookmark and remote to push your changes."
                          << "Push" << QStringList();
    QTest::newRow("clone") << Sheet::clone << "CloneView"
                           << "Clone Repository"
                           << "Clone" << QStringList{"Location of repository to clone"};
}

void TestSheets::sheetViewBuildsEachDialog()
{
    QFETCH(Sheet, sheet);
    QFETCH(QString, className);
    QFETCH(QString, prompt);
    QFETCH(QString, action);
    QFETCH(QStringList, fields);

    RepoController controller(sampleRepo());
    QWidget parent;
    std::unique_ptr<QDialog> dialog(makeSheetView(sheet, &controller, &parent));
    QCOMPARE(QString::fromLatin1(dialog->metaObject()->className()), className);
    QCOMPARE(dialog->parentWidget(), &parent);
    auto *frame = qobject_cast<DialogFrame *>(dialog.get());
    QVERIFY(frame);
    QCOMPARE(promptOf(frame), prompt);
    QCOMPARE(frame->findChildren<QLabel *>().first()->textFormat(), Qt::PlainText);
    QCOMPARE(frame->cancelButton()->text(), QStringLiteral("Cancel"));
    QCOMPARE(frame->actionButton()->button()->text(), action);

    QStringList placeholders;
    for (const QLineEdit *field : frame->findChildren<QLineEdit *>()) {
        placeholders << field->placeholderText();
        QVERIFY(field->text().isEmpty());
    }
    QCOMPARE(placeholders, fields);
    for (const QPlainTextEdit *editor : frame->findChildren<QPlainTextEdit *>()) {
        QVERIFY(editor->toPlainText().isEmpty());
        QCOMPARE(editor->minimumHeight(), 128);
    }
}

void TestSheets::frameLayout()
{
    RepoController controller(sampleRepo());
    QWidget window;
    AddRemoteView dialog(&controller, &window);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QRect prompt = dialog.findChildren<QLabel *>().first()->geometry();
    const QRect name = dialog.nameField()->geometry();
    const QRect location = dialog.locationField()->geometry();
    const QRect cancel = dialog.cancelButton()->geometry();
    const QRect action = dialog.actionButton()->geometry();
    // The prompt over the inputs in their order, then "Cancel" at one end of the row
    // and the action at the other.
    QVERIFY(prompt.bottom() < name.top());
    QVERIFY(name.bottom() < location.top());
    QVERIFY(location.bottom() < cancel.top());
    QCOMPARE(cancel.center().y(), action.center().y());
    QVERIFY(cancel.right() < action.left());
    QVERIFY(cancel.left() < dialog.width() / 4);
    QVERIFY(action.right() > dialog.width() * 3 / 4);
    // The first input has the focus, and Return belongs to the action button.
    QCOMPARE(dialog.focusWidget(), dialog.nameField());
    auto *button = qobject_cast<QPushButton *>(dialog.actionButton()->button());
    QVERIFY(button->isDefault());
    QVERIFY(!dialog.cancelButton()->autoDefault());
}

void TestSheets::cancelClosesAndClearsThePresenter()
{
    RepoController controller(sampleRepo());
    QMainWindow window;
    window.show();
    SheetPresenter presenter(&window, [&] { return &controller; });
    QSignalSpy changed(&presenter, &SheetPresenter::sheetChanged);

    presenter.setSheet(Sheet::addBookmark);
    QCOMPARE(presenter.sheet(), Sheet::addBookmark);
    QPointer<DialogFrame> dialog = qobject_cast<DialogFrame *>(presenter.dialog());
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->windowModality(), Qt::WindowModal);
    QCOMPARE(dialog->parentWidget(), &window);
    QCOMPARE(changed.size(), 1);

    QTest::mouseClick(dialog->cancelButton(), Qt::LeftButton);
    QCOMPARE(presenter.sheet(), std::nullopt);
    QCOMPARE(changed.size(), 2);
    QTRY_VERIFY(!dialog);
}

void TestSheets::escapeIsCancel()
{
    RepoController controller(sampleRepo());
    QMainWindow window;
    window.show();
    SheetPresenter presenter(&window, [&] { return &controller; });
    presenter.setSheet(Sheet::addRemote);
    auto *dialog = qobject_cast<AddRemoteView *>(presenter.dialog());
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    QTest::keyClicks(dialog->nameField(), QStringLiteral("origin"));
    QTest::keyClick(dialog->nameField(), Qt::Key_Escape);
    QCOMPARE(presenter.sheet(), std::nullopt);
    QCOMPARE(controller.repo(), sampleRepo());
}

void TestSheets::eachPresentationIsFresh()
{
    RepoController controller(sampleRepo());
    QMainWindow window;
    window.show();
    SheetPresenter presenter(&window, [&] { return &controller; });

    presenter.setSheet(Sheet::clone);
    auto *first = qobject_cast<CloneView *>(presenter.dialog());
    QTest::keyClicks(first->locationField(), QStringLiteral("https://example.com/repo"));
    first->cancelButton()->click();

    presenter.setSheet(Sheet::clone);
    auto *second = qobject_cast<CloneView *>(presenter.dialog());
    QVERIFY(second != first);
    QVERIFY(second->locationField()->text().isEmpty());

    // Another case replaces the shown dialog.
    presenter.setSheet(Sheet::addChange);
    QVERIFY(qobject_cast<AddChangeView *>(presenter.dialog()));
    QCOMPARE(presenter.sheet(), Sheet::addChange);
}

void TestSheets::sameSheetAgainKeepsTheDialog()
{
    RepoController controller(sampleRepo());
    QMainWindow window;
    SheetPresenter presenter(&window, [&] { return &controller; });
    presenter.setSheet(Sheet::addChange);
    auto *dialog = qobject_cast<AddChangeView *>(presenter.dialog());
    dialog->editor()->setPlainText(QStringLiteral("half a message"));
    QSignalSpy changed(&presenter, &SheetPresenter::sheetChanged);
    presenter.setSheet(Sheet::addChange);
    QCOMPARE(presenter.dialog(), dialog);
    QCOMPARE(dialog->editor()->toPlainText(), QStringLiteral("half a message"));
    QCOMPARE(changed.size(), 0);

    presenter.setSheet(std::nullopt);
    QCOMPARE(presenter.dialog(), nullptr);
    QCOMPARE(changed.size(), 1);
}

void TestSheets::dismissAfterCloseDoesNothing()
{
    RepoController controller(sampleRepo());
    QWidget window;
    AddBookmarkView dialog(&controller, &window);
    QSignalSpy finished(&dialog, &QDialog::finished);
    dialog.open();
    dialog.dismiss();
    QCOMPARE(finished.size(), 1);
    QVERIFY(!dialog.isVisible());
    dialog.dismiss();
    QCOMPARE(finished.size(), 1);
}

void TestSheets::editDialogOpensWithFirstSelectedDescription()
{
    testing::FakeJj jj;
    jj.respond(testing::argv({"show", "kkmpptxz"}),
               testing::showOutput(QStringLiteral("kkmpptxz"), QStringLiteral("abcd"),
                                   QStringLiteral("First line\n\nbody")));
    Repo repo = sampleRepo();
    repo.folder = Folder(QUrl::fromLocalFile(QDir::tempPath()));
    // The list knows only the first line; the editor gets the whole description.
    const ChangePtr first = change(QStringLiteral("kkmpptxz"), QStringLiteral("First line"));
    const ChangePtr second = change(QStringLiteral("rlvkpnrz"), QStringLiteral("other"));
    repo.changes = {second, first};
    repo.selectedChanges = {first, second};
    RepoController controller(repo);
    QWidget window;

    EditDescriptionView dialog(&controller, &window);
    // Filled when it comes on screen, not before.
    QVERIFY(editorText(dialog.editor()).isEmpty());
    dialog.open();
    QTRY_COMPARE(editorText(dialog.editor()), QStringLiteral("First line\n\nbody"));
    QCOMPARE(jj.calls(), QList<QStringList>{testing::argv({"show", "kkmpptxz"})});

    // Filled once: what the user typed stays when the dialog is shown again.
    setEditorText(dialog.editor(), QStringLiteral("typed"));
    dialog.hide();
    dialog.show();
    QCOMPARE(editorText(dialog.editor()), QStringLiteral("typed"));

    controller.modifyRepo([](Repo &r) { r.selectedChanges = ChangeSet(); });
    EditDescriptionView empty(&controller, &window);
    empty.open();
    QVERIFY(empty.editor()->isEnabled());
    QVERIFY(editorText(empty.editor()).isEmpty());
    QCOMPARE(jj.calls().size(), 1);
}

void TestSheets::editorsKeepEveryCharacter()
{
    // The document would make line breaks of "\r", "\r\n", U+2029 and its frame marks,
    // and toPlainText blanks of no-break spaces and line feeds of U+2028.
    const QString text =
        QStringLiteral("a\rb\r\nc\u2029d\u2028e\u00a0f\tg\ufdd0h\ufdd1i\ufffcj\n   \n- k\n\n");
    QPlainTextEdit *editor = makeTextEditor();
    std::unique_ptr<QWidget> owner(editor);
    setEditorText(editor, text);
    QCOMPARE(editorText(editor), text);
    QVERIFY(!editor->document()->isUndoAvailable());

    // What the user types beside a kept character is what was typed.
    editor->show();
    QTextCursor cursor(editor->document());
    cursor.setPosition(2);
    editor->setTextCursor(cursor);
    QTest::keyClicks(editor, QStringLiteral("\rX"));
    QCOMPARE(editorText(editor), QStringLiteral("a\r\nX") + text.mid(2));
    QTest::keyClick(editor, Qt::Key_Backspace);
    QTest::keyClick(editor, Qt::Key_Backspace);
    QTest::keyClick(editor, Qt::Key_Backspace);
    QCOMPARE(editorText(editor), u'a' + text.mid(2));
}

void TestSheets::pickerTitlesAndItems()
{
    RepoController controller(sampleRepo());
    QWidget window;
    PushView push(&controller, &window);
    BookmarkMenu *bookmarks = push.bookmarkMenu();
    RemoteMenu *remotes = push.remoteMenu();

    QCOMPARE(bookmarks->menuButton()->text(), QStringLiteral("No bookmark selected"));
    QCOMPARE(remotes->menuButton()->text(), QStringLiteral("No remote selected"));
    QCOMPARE(bookmarks->findChild<QLabel *>()->text(), QStringLiteral("Bookmark:"));
    QCOMPARE(remotes->findChild<QLabel *>()->text(), QStringLiteral("Remote:"));
    // Names are shown as they are: an ampersand is no mnemonic. Unnamed remotes are
    // left out.
    QCOMPARE(menuTexts(bookmarks->menu()),
             QStringList({QStringLiteral("Add Bookmark\u2026"), QStringLiteral("main"),
                          QStringLiteral("fix&&ship")}));
    QCOMPARE(menuTexts(remotes->menu()),
             QStringList({QStringLiteral("Add Remote\u2026"), QStringLiteral("origin"),
                          QStringLiteral("backup")}));

    Repo bare = Repo::empty(QUrl::fromLocalFile(QStringLiteral("/nowhere")));
    bare.remotes = {Remote{QString(), QUrl(QStringLiteral("file:"))}};
    RepoController empty(bare);
    PushView emptyPush(&empty, &window);
    QCOMPARE(menuTexts(emptyPush.bookmarkMenu()->menu()),
             QStringList({QStringLiteral("Add Bookmark\u2026")}));
    QCOMPARE(menuTexts(emptyPush.remoteMenu()->menu()),
             QStringList({QStringLiteral("Add Remote\u2026")}));
}

void TestSheets::choosingAnEntryAlwaysNotifies()
{
    RepoController controller(sampleRepo());
    QWidget window;
    PushView push(&controller, &window);
    QSignalSpy changed(&controller, &RepoController::repoChanged);

    menuItem(push.bookmarkMenu()->menu(), QStringLiteral("fix&&ship"))->trigger();
    QCOMPARE(controller.repo().currentBookmark->name, QStringLiteral("fix&ship"));
    QCOMPARE(push.bookmarkMenu()->menuButton()->text(), QStringLiteral("fix&&ship"));
    QCOMPARE(changed.size(), 1);
    menuItem(push.bookmarkMenu()->menu(), QStringLiteral("fix&&ship"))->trigger();
    QCOMPARE(changed.size(), 2);

    menuItem(push.remoteMenu()->menu(), QStringLiteral("backup"))->trigger();
    QCOMPARE(controller.repo().currentRemote->name, QStringLiteral("backup"));
    QCOMPARE(controller.repo().currentRemote->url, QUrl(QStringLiteral("file:///srv/b")));
    QCOMPARE(push.remoteMenu()->menuButton()->text(), QStringLiteral("backup"));
    QCOMPARE(changed.size(), 3);
}

void TestSheets::pickerFollowsTheModel()
{
    RepoController controller(sampleRepo());
    QWidget window;
    PushView push(&controller, &window);
    controller.modifyRepo([](Repo &repo) {
        repo.bookmarks.append(Bookmark{QStringLiteral("release")});
        repo.currentBookmark = repo.bookmarks.last();
        // A current remote without a name still counts: the title is then empty.
        repo.currentRemote = repo.remotes[1];
    });
    QCOMPARE(push.bookmarkMenu()->menuButton()->text(), QStringLiteral("release"));
    QCOMPARE(menuTexts(push.bookmarkMenu()->menu()).last(), QStringLiteral("release"));
    QCOMPARE(push.remoteMenu()->menuButton()->text(), QString());
}

void TestSheets::addItemsOpenOverThePushDialog()
{
    RepoController controller(sampleRepo());
    QMainWindow window;
    window.show();
    SheetPresenter presenter(&window, [&] { return &controller; });
    presenter.setSheet(Sheet::push);
    auto *push = qobject_cast<PushView *>(presenter.dialog());
    QVERIFY(push);

    BookmarkMenu *bookmarks = push->bookmarkMenu();
    QVERIFY(!bookmarks->addingBookmark());
    menuItem(bookmarks->menu(), QStringLiteral("Add Bookmark\u2026"))->trigger();
    QVERIFY(bookmarks->addingBookmark());
    auto *add = qobject_cast<AddBookmarkView *>(bookmarks->addSheet()->dialog());
    QVERIFY(add);
    QCOMPARE(add->parentWidget()->window(), push);
    QCOMPARE(add->windowModality(), Qt::WindowModal);
    add->cancelButton()->click();
    QVERIFY(!bookmarks->addingBookmark());
    QCOMPARE(presenter.sheet(), Sheet::push);
    QVERIFY(push->isVisible());
    QCOMPARE(bookmarks->menuButton()->text(), QStringLiteral("No bookmark selected"));

    RemoteMenu *remotes = push->remoteMenu();
    menuItem(remotes->menu(), QStringLiteral("Add Remote\u2026"))->trigger();
    QVERIFY(remotes->addingRemote());
    QVERIFY(qobject_cast<AddRemoteView *>(remotes->addSheet()->dialog()));
    // An empty location adds nothing and returns to the push dialog.
    qobject_cast<AddRemoteView *>(remotes->addSheet()->dialog())->actionButton()->button()->click();
    QTRY_VERIFY(!remotes->addingRemote());
    QCOMPARE(controller.repo(), sampleRepo());
    QCOMPARE(presenter.sheet(), Sheet::push);
}

QTEST_MAIN(TestSheets)
#include "tst_sheets.moc"

#include "AppTestSupport.h"

#include "app/MenuBarWindow.h"
#include "app/OstrelApp.h"
#include "app/WindowGroup.h"
#include "app/WindowRestoration.h"
#include "dialogs/AddBookmarkView.h"
#include "dialogs/AddChangeView.h"
#include "dialogs/AddRemoteView.h"
#include "dialogs/BookmarkMenu.h"
#include "dialogs/CloneView.h"
#include "dialogs/EditDescriptionView.h"
#include "dialogs/Panels.h"
#include "dialogs/PushView.h"
#include "dialogs/RemoteMenu.h"
#include "dialogs/SheetPresenter.h"
#include "model/ChangeListModel.h"
#include "model/RepoController.h"
#include "widgets/AsyncButton.h"
#include "window/ChangeList.h"
#include "window/RepoView.h"

#include <QAbstractButton>
#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>

using namespace testing;

namespace {

void choose(QMainWindow *window, const QString &menu, const QString &item)
{
    QAction *action = menuItem(window, menu, item);
    QVERIFY2(action, qPrintable(menu + u'/' + item));
    QVERIFY2(action->isEnabled(), qPrintable(item));
    action->trigger();
}

// The descriptions of the rows the window's change list shows, top to bottom.
QStringList shownHistory(RepoView *view)
{
    const ChangeListModel *model = view->changeList()->changeModel();
    QStringList rows;
    for (int row = 0; row < model->rowCount(); ++row)
        rows.append(model->index(row).data(Qt::DisplayRole).toString());
    return rows;
}

// What the repository holds, as jj itself lists it.
QStringList described(const QStringList &rows)
{
    QStringList result;
    for (const QString &row : rows)
        if (!row.isEmpty() && !row.startsWith(u'('))
            result.append(row);
    return result;
}

QString git(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("git"), arguments);
    process.waitForFinished(-1);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// What jj holds, asked with a template of the test's own.
QString jjHolds(RepoView *view, const QString &revset, const QString &templateText)
{
    return runJj(view->controller()->repo().folder.url.toLocalFile(),
                 {QStringLiteral("log"), QStringLiteral("--no-graph"), QStringLiteral("-r"), revset,
                  QStringLiteral("-T"), templateText});
}

// The descriptions of a revision's parents, one a line.
QString parentsOf(RepoView *view, const QString &description)
{
    return jjHolds(view, QStringLiteral("parents(description(exact:\"%1\n\"))").arg(description),
                   QStringLiteral("description"));
}

// Selects the rows that show these descriptions, as a click and Ctrl+clicks would.
void select(RepoView *view, const QStringList &descriptions)
{
    const ChangeListModel *model = view->changeList()->changeModel();
    QItemSelection selection;
    for (int row = 0; row < model->rowCount(); ++row)
        if (descriptions.contains(model->index(row).data(Qt::DisplayRole).toString()))
            selection.select(model->index(row), model->index(row));
    QCOMPARE(selection.size(), descriptions.size());
    view->changeList()->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

int rowOf(RepoView *view, const QString &description)
{
    return int(shownHistory(view).indexOf(description));
}

template<typename Dialog> Dialog *shownDialog(SheetPresenter *presenter)
{
    return presenter ? qobject_cast<Dialog *>(presenter->dialog()) : nullptr;
}

} // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT

private:
    RepoView *m_alpha = nullptr;
    RepoView *m_beta = nullptr;

    void commit(RepoView *view, const QString &file, const QString &message)
    {
        writeFile(view->controller()->repo().folder.url.toLocalFile() + u'/' + file,
                  message.toUtf8() + '\n');
        QVERIFY(activate(view));
        choose(view, "Change", "Commit Change");
        auto *dialog = shownDialog<AddChangeView>(view->sheetPresenter());
        QVERIFY(dialog);
        QTest::keyClicks(dialog->editor(), message);
        dialog->actionButton()->button()->click();
        QTRY_VERIFY(!view->sheetPresenter()->dialog());
        QTRY_COMPARE(view->controller()->repo().changes.value(1)
                         ? view->controller()->repo().changes[1]->description()
                         : QString(),
                     message);
    }

    void push(RepoView *view, const QString &newBookmark, const QString &newRemote,
              const QString &location)
    {
        QVERIFY(activate(view));
        choose(view, "Repository", "Push");
        auto *dialog = shownDialog<PushView>(view->sheetPresenter());
        QVERIFY(dialog);
        if (!newBookmark.isEmpty()) {
            dialog->bookmarkMenu()->menu()->actions().constFirst()->trigger();
            auto *add = shownDialog<AddBookmarkView>(dialog->bookmarkMenu()->addSheet());
            QVERIFY(add);
            QTest::keyClicks(add->nameField(), newBookmark);
            add->actionButton()->button()->click();
            QTRY_VERIFY(!dialog->bookmarkMenu()->addSheet()->dialog());
            QCOMPARE(dialog->bookmarkMenu()->menuButton()->text(), newBookmark);
        }
        if (!newRemote.isEmpty()) {
            dialog->remoteMenu()->menu()->actions().constFirst()->trigger();
            auto *add = shownDialog<AddRemoteView>(dialog->remoteMenu()->addSheet());
            QVERIFY(add);
            QTest::keyClicks(add->nameField(), newRemote);
            QTest::keyClicks(add->locationField(), location);
            add->actionButton()->button()->click();
            QTRY_VERIFY(!dialog->remoteMenu()->addSheet()->dialog());
            QCOMPARE(dialog->remoteMenu()->menuButton()->text(), newRemote);
        }
        saveScreenshot(dialog, QStringLiteral("push-dialog"));
        dialog->actionButton()->button()->click();
        QTRY_VERIFY_WITH_TIMEOUT(!view->sheetPresenter()->dialog(), 20000);
    }

    // Edits a listed change's description through the Change menu's dialog.
    void editDescription(RepoView *view, const QString &description, const QString &newText)
    {
        select(view, {description});
        QVERIFY(activate(view));
        choose(view, "Change", "Edit Description");
        auto *dialog = shownDialog<EditDescriptionView>(view->sheetPresenter());
        QVERIFY(dialog);
        QTRY_VERIFY_WITH_TIMEOUT(dialog->editor()->isEnabled(), 20000);
        QTRY_COMPARE(dialog->editor()->toPlainText(), description);
        dialog->editor()->selectAll();
        QTest::keyClicks(dialog->editor(), newText);
        dialog->actionButton()->button()->click();
        QTRY_VERIFY_WITH_TIMEOUT(!view->sheetPresenter()->dialog(), 20000);
    }

    // Opens a repository made outside the application through File > Open Repository.
    void openRepository(OstrelApp &app, const QString &folder)
    {
        const qsizetype before = repositoryWindows().size();
        platform::setFolderPanelHook([folder] {
            return platform::FolderChoice{QUrl::fromLocalFile(folder), QString()};
        });
        choose(app.menuBarWindow(), "File", "Open Repository");
        QTRY_COMPARE_WITH_TIMEOUT(repositoryWindows().size(), before + 1, 20000);
        platform::setFolderPanelHook({});
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void createCommitPushCloneAndPull()
    {
        QFile::remove(platform::WindowRestoration::stateFilePath());
        RecordingJj jj;
        AlertRecorder alerts;
        const QDir workspace(jj.workspace());
        const QString origin = workspace.filePath(QStringLiteral("origin.git"));
        git({"init", "-q", "--bare", origin});
        QList<QUrl> savePanelAnswers{
            QUrl::fromLocalFile(workspace.filePath(QStringLiteral("alpha"))),
            QUrl::fromLocalFile(workspace.filePath(QStringLiteral("beta")))};
        platform::setSavePanelHook([&](const platform::SavePanelOptions &) {
            return savePanelAnswers.isEmpty() ? std::nullopt
                                              : std::optional<QUrl>(savePanelAnswers.takeFirst());
        });

        OstrelApp app;
        app.launch();
        QVERIFY(repositoryWindows().isEmpty());

        // A new repository, from the menu-bar window's File menu.
        choose(app.menuBarWindow(), "File", "New Repository");
        QTRY_COMPARE_WITH_TIMEOUT(repositoryWindows().size(), 1, 20000);
        m_alpha = qobject_cast<RepoView *>(repositoryWindows()[0]);
        QVERIFY(m_alpha);
        QCOMPARE(m_alpha->windowTitle(), QStringLiteral("alpha"));
        QVERIFY(QFileInfo(workspace.filePath(QStringLiteral("alpha/.jj"))).isDir());
        QTRY_VERIFY_WITH_TIMEOUT(!m_alpha->controller()->repo().changes.isEmpty(), 20000);
        // The window's two loads at open run unordered; a user who waits for them sees the
        // list settle before working on it.
        QTRY_COMPARE_WITH_TIMEOUT(testing::runningChildProcesses(), 0, 20000);
        QCoreApplication::processEvents();

        // A change in the working copy, committed with a message.
        commit(m_alpha, QStringLiteral("hello.txt"), QStringLiteral("Add hello"));

        // A bookmark and a local bare remote, made from the push dialog, then the push.
        push(m_alpha, QStringLiteral("main"), QStringLiteral("origin"), origin);
        QCOMPARE(git({"--git-dir", origin, "log", "--format=%s", "main"}),
                 QStringLiteral("Add hello"));

        // The clone opens in a second window.
        QVERIFY(activate(m_alpha));
        choose(m_alpha, "Repository", "Clone");
        auto *clone = shownDialog<CloneView>(m_alpha->sheetPresenter());
        QVERIFY(clone);
        QTest::keyClicks(clone->locationField(), origin);
        clone->actionButton()->button()->click();
        QTRY_COMPARE_WITH_TIMEOUT(repositoryWindows().size(), 2, 20000);
        m_beta = qobject_cast<RepoView *>(repositoryWindows()[1]);
        QCOMPARE(m_beta->windowTitle(), QStringLiteral("beta"));
        QTRY_VERIFY_WITH_TIMEOUT(
            described(shownHistory(m_beta)).contains(QStringLiteral("Add hello")), 20000);
        QTRY_COMPARE_WITH_TIMEOUT(testing::runningChildProcesses(), 0, 20000);
        QCoreApplication::processEvents();

        // More work in the first window, pushed to the same bookmark and remote.
        commit(m_alpha, QStringLiteral("world.txt"), QStringLiteral("Add world"));
        push(m_alpha, QString(), QString(), QString());
        QCOMPARE(git({"--git-dir", origin, "log", "--format=%s", "main"}),
                 QStringLiteral("Add world\nAdd hello"));

        // The second window pulls it in; the menu's Pull reloads the shown list.
        QVERIFY(activate(m_beta));
        choose(m_beta, "Repository", "Pull");
        QTRY_COMPARE_WITH_TIMEOUT(described(shownHistory(m_beta)),
                                  (QStringList{"Add world", "Add hello"}), 20000);

        // A new change on top in the first window, then its list read again from jj.
        QVERIFY(activate(m_alpha));
        const qsizetype before = m_alpha->controller()->repo().changes.size();
        choose(m_alpha, "Change", "Add Change");
        QTRY_COMPARE_WITH_TIMEOUT(m_alpha->controller()->repo().changes.size(), before + 1, 20000);
        choose(m_alpha, "Repository", "Pull");
        QTRY_COMPARE_WITH_TIMEOUT(described(shownHistory(m_alpha)),
                                  (QStringList{"Add world", "Add hello"}), 20000);
        QTRY_COMPARE_WITH_TIMEOUT(shownHistory(m_alpha).size(), 5, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(testing::runningChildProcesses(), 0, 20000);

        // Work that is not pushed: three changes, one described anew and one abandoned.
        commit(m_alpha, QStringLiteral("notes.txt"), QStringLiteral("Add notes"));
        commit(m_alpha, QStringLiteral("draft.txt"), QStringLiteral("Add draft"));
        commit(m_alpha, QStringLiteral("more.txt"), QStringLiteral("Add more"));
        editDescription(m_alpha, QStringLiteral("Add draft"), QStringLiteral("Add a draft"));
        QCOMPARE(jjHolds(m_alpha, QStringLiteral("@--"), QStringLiteral("description")),
                 QStringLiteral("Add a draft\n"));
        QTRY_VERIFY(shownHistory(m_alpha).contains(QStringLiteral("Add a draft")));

        select(m_alpha, {QStringLiteral("Add a draft")});
        QVERIFY(activate(m_alpha));
        choose(m_alpha, "Change", "Remove Change");
        QTRY_VERIFY_WITH_TIMEOUT(!shownHistory(m_alpha).contains(QStringLiteral("Add a draft")),
                                 20000);
        QCOMPARE(
            jjHolds(m_alpha, QStringLiteral("description(draft)"), QStringLiteral("description")),
            QString());
        QCOMPARE(parentsOf(m_alpha, QStringLiteral("Add more")), QStringLiteral("Add notes\n"));

        // "Add notes" dragged above "Add more": jj puts it after that change.
        const ChangeListModel *model = m_alpha->changeList()->changeModel();
        const int notes = rowOf(m_alpha, QStringLiteral("Add notes"));
        const int more = rowOf(m_alpha, QStringLiteral("Add more"));
        QVERIFY(notes > more);
        std::unique_ptr<QMimeData> dragged(model->mimeData({model->index(notes)}));
        QVERIFY(const_cast<ChangeListModel *>(model)->dropMimeData(dragged.get(), Qt::MoveAction,
                                                                   more, 0, QModelIndex()));
        QTRY_COMPARE_WITH_TIMEOUT(parentsOf(m_alpha, QStringLiteral("Add notes")),
                                  QStringLiteral("Add more\n"), 20000);
        // "Add more" now follows what came before "Add notes": the change Add Change made.
        QCOMPARE(parentsOf(m_alpha, QStringLiteral("Add more")), QString());
        QTRY_VERIFY(rowOf(m_alpha, QStringLiteral("Add notes")) <
                    rowOf(m_alpha, QStringLiteral("Add more")));

        // A merge of two changes makes a new working copy with both as parents.
        select(m_alpha, {QStringLiteral("Add notes"), QStringLiteral("Add hello")});
        QVERIFY(activate(m_alpha));
        choose(m_alpha, "Change", "Merge Changes");
        QTRY_COMPARE_WITH_TIMEOUT(m_alpha->controller()->repo().changes.value(0)
                                      ? m_alpha->controller()->repo().changes[0]->description()
                                      : QString(),
                                  QStringLiteral("(empty) Merge"), 20000);
        QCOMPARE(jjHolds(m_alpha, QStringLiteral("@-"), QStringLiteral("description")),
                 QStringLiteral("Add notes\nAdd hello\n"));

        // A repository made elsewhere opens in a window of its own.
        const QString gamma = workspace.filePath(QStringLiteral("gamma"));
        runJj(workspace.path(), {QStringLiteral("git"), QStringLiteral("init"),
                                 QStringLiteral("--colocate"), QStringLiteral("gamma")});
        openRepository(app, gamma);
        QCOMPARE(repositoryWindows().last()->windowTitle(), QStringLiteral("gamma"));

        saveScreenshot(m_alpha, QStringLiteral("alpha"));
        saveScreenshot(m_beta, QStringLiteral("beta"));
        QCOMPARE(alerts.alerts.size(), 0);
        platform::setSavePanelHook({});
    }
};

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"

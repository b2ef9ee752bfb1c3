#include "support/TestSupport.h"

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
#include "dialogs/WindowOpener.h"
#include "model/RepoController.h"
#include "model/Resources.h"
#include "widgets/AsyncButton.h"

#include <QDir>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>

using namespace std::chrono_literals;

namespace {

constexpr int jjTimeout = 30000;

QStringList args(std::initializer_list<const char *> words)
{
    QStringList list;
    for (const char *word : words)
        list << QString::fromUtf8(word);
    return list;
}

// The commands of a kind among the recorded ones.
QList<QStringList> runsOf(const QList<QStringList> &commands, const QStringList &prefix)
{
    QList<QStringList> found;
    for (const QStringList &command : commands)
        if (command.mid(0, prefix.size()) == prefix)
            found << command;
    return found;
}

// Types a text key by key, Return for each line break, as a keyboard that gives any
// character would.
void type(QWidget *widget, const QString &text)
{
    for (const QChar c : text) {
        if (c == u'\n')
            QTest::keyClick(widget, Qt::Key_Return);
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

// What jj holds as the description of a change, byte for byte.
QString storedDescription(const QString &folder, const QString &revision)
{
    return testing::runJj(folder, {QStringLiteral("log"), QStringLiteral("--no-graph"),
                                   QStringLiteral("-r"), revision, QStringLiteral("-T"),
                                   QStringLiteral("description")});
}

// A window with its controller, presenting one sheet as the repository window does.
struct Window {
    explicit Window(const QString &folder)
        : controller(QUrl::fromLocalFile(folder)),
          presenter(&window, [this] { return &controller; })
    {
        window.show();
    }

    void load() { QCoro::waitFor(controller.loadChanges(ChangeCategory::allChanges)); }

    template<typename View> View *present(Sheet sheet)
    {
        presenter.setSheet(sheet);
        auto *view = qobject_cast<View *>(presenter.dialog());
        if (view && !QTest::qWaitForWindowExposed(view))
            qWarning("the dialog was not exposed");
        return view;
    }

    bool closed() const { return !presenter.sheet().has_value(); }

    // The edit dialog on the change, once its description has arrived.
    EditDescriptionView *editDescription(const ChangePtr &change)
    {
        controller.modifyRepo([&](Repo &repo) { repo.selectedChanges = {change}; });
        auto *dialog = present<EditDescriptionView>(Sheet::editChangeDescription);
        if (!QTest::qWaitFor([&] { return dialog->editor()->isEnabled(); }, jjTimeout))
            qWarning("the description did not arrive");
        return dialog;
    }

    QMainWindow window;
    RepoController controller;
    SheetPresenter presenter;
};

// Holds every jj run until release() is called, then hands it to the recording jj.
class GatedJj {
public:
    GatedJj()
        : m_next(platform::resourceFolder() + QStringLiteral("/jj")),
          m_jj(QStringLiteral("while [ ! -e '%1' ]; do sleep 0.02; done\nexec '%2' \"$@\"")
                   .arg(m_gate.filePath(QStringLiteral("open")), m_next),
               testing::ScriptedJj::SeesConfigOption)
    {}
    void release() { testing::writeFile(m_gate.filePath(QStringLiteral("open")), "1"); }

private:
    QTemporaryDir m_gate;
    QString m_next;
    testing::ScriptedJj m_jj;
};

} // namespace

class TestDialogs : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void addBookmarkAppendsAndSelects();
    void cancelDuringTheRunStillCompletes();
    void addRemoteKeepsTheAddress();
    void emptyRemoteLocationRunsNothing();
    void failedRemoteAddChangesNoList();
    void commitWithMultiLineMessage();
    void editDescriptionWritesBack();
    void descriptionsSurviveTheEditorUnchanged();
    void refusedDescriptionIsNotShown();
    void editAnAbandonedChangeAlertsAndCloses();
    void editWithoutSelectionRunsNothing();
    void pushNeedsABookmark();
    void pushTracksThenPushes();
    void failedPushCommandsAlertOnceEach();
    void cloneOpensWindowForDestination();
    void failedCloneAlertsAndStillOpens();
    void cancelledPanelClonesNothing();

private:
    // Makes a colocated repository with one committed change and returns its folder.
    QString makeRepo(const QString &name);

    std::unique_ptr<testing::RecordingJj> m_jj;
    std::unique_ptr<testing::AlertRecorder> m_alerts;
    // The folders whose repository windows the dialogs opened.
    QList<QUrl> m_opened;
};

void TestDialogs::init()
{
    m_jj = std::make_unique<testing::RecordingJj>();
    m_alerts = std::make_unique<testing::AlertRecorder>();
    setRepositoryWindowOpener([this](const QUrl &folder) { m_opened.append(folder); });
}

void TestDialogs::cleanup()
{
    setRepositoryWindowOpener({});
    m_opened.clear();
    platform::setSavePanelHook(nullptr);
    m_alerts.reset();
    m_jj.reset();
}

QString TestDialogs::makeRepo(const QString &name)
{
    const QString workspace = m_jj->workspace();
    int exitCode = -1;
    testing::runJj(
        workspace,
        {QStringLiteral("git"), QStringLiteral("init"), QStringLiteral("--colocate"), name},
        &exitCode);
    if (exitCode != 0)
        qFatal("cannot make a repository: is the bundled jj built?");
    const QString folder = QDir(workspace).filePath(name);
    testing::writeFile(folder + QStringLiteral("/README"), "hello\n");
    testing::runJj(folder, args({"commit", "-m", "Add a README"}), &exitCode);
    if (exitCode != 0)
        qFatal("cannot commit in a new repository");
    m_jj->clear();
    return folder;
}

void TestDialogs::addBookmarkAppendsAndSelects()
{
    Window w(makeRepo(QStringLiteral("repo")));
    w.load();
    const ChangePtr selected = w.controller.repo().changes.at(1);
    w.controller.modifyRepo([&](Repo &repo) { repo.selectedChanges = {selected}; });
    m_jj->clear();

    auto *dialog = w.present<AddBookmarkView>(Sheet::addBookmark);
    QVERIFY(dialog);
    QTest::keyClicks(dialog->nameField(), QStringLiteral("feature"));
    QTest::keyClick(dialog->nameField(), Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(w.closed(), jjTimeout);

    QCOMPARE(m_jj->commands(), QList<QStringList>({args({"bookmark", "create", "feature"})}));
    const Repo repo = w.controller.repo();
    QCOMPARE(repo.bookmarks.size(), 1);
    QCOMPARE(repo.bookmarks.last().name, QStringLiteral("feature"));
    QCOMPARE(repo.currentBookmark->name, QStringLiteral("feature"));
    QCOMPARE(repo.currentBookmark->latestChange, selected);
    QVERIFY(testing::runJj(repo.folder.url.toLocalFile(), args({"bookmark", "list"}))
                .startsWith(QStringLiteral("feature:")));
    QVERIFY(m_alerts->alerts.isEmpty());
}

void TestDialogs::cancelDuringTheRunStillCompletes()
{
    Window w(makeRepo(QStringLiteral("repo")));
    GatedJj gate;
    auto *dialog = w.present<AddBookmarkView>(Sheet::addBookmark);
    QTest::keyClicks(dialog->nameField(), QStringLiteral("wip"));
    QPushButton *action = qobject_cast<QPushButton *>(dialog->actionButton()->button());
    QTest::mouseClick(action, Qt::LeftButton);
    QVERIFY(!action->isEnabled());

    // A second press, by mouse or by Return, while jj runs does nothing.
    QTest::mouseClick(action, Qt::LeftButton);
    QTest::keyClick(dialog->nameField(), Qt::Key_Return);
    QPointer<AddBookmarkView> guard(dialog);
    QTest::mouseClick(dialog->cancelButton(), Qt::LeftButton);
    QVERIFY(w.closed());
    QTRY_VERIFY(!guard);
    QVERIFY(w.controller.repo().bookmarks.isEmpty());

    gate.release();
    QTRY_COMPARE_WITH_TIMEOUT(w.controller.repo().bookmarks.size(), 1, jjTimeout);
    QCOMPARE(w.controller.repo().currentBookmark->name, QStringLiteral("wip"));
    QCOMPARE(runsOf(m_jj->commands(), args({"bookmark", "create"})).size(), 1);
}

void TestDialogs::addRemoteKeepsTheAddress()
{
    const QString folder = makeRepo(QStringLiteral("repo"));
    const QString bare =
        QDir(m_jj->workspace()).filePath(QStringLiteral("remote folder/my repo.git"));
    QDir().mkpath(bare);
    QCOMPARE(QProcess::execute(QStringLiteral("git"), {QStringLiteral("init"), QStringLiteral("-q"),
                                                       QStringLiteral("--bare"), bare}),
             0);
    Window w(folder);
    // Paths with blanks, scp-like addresses and percent signs are no URLs, and reach jj as
    // typed; blanks around what was typed do not.
    const QList<std::pair<QString, QString>> remotes{
        {QStringLiteral("origin"), bare},
        {QStringLiteral("scp"), QStringLiteral("git@example.com:team/repo.git")},
        {QStringLiteral("percent"), QStringLiteral("https://example.com/r%20x/100%.git")}};
    for (const auto &[name, address] : remotes) {
        m_jj->clear();
        auto *dialog = w.present<AddRemoteView>(Sheet::addRemote);
        QTest::keyClicks(dialog->nameField(), name);
        QTest::keyClick(dialog->nameField(), Qt::Key_Tab);
        QTest::keyClicks(dialog->locationField(), QStringLiteral("  ") + address + u' ');
        QTest::keyClick(dialog->locationField(), Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(w.closed(), jjTimeout);
        QCOMPARE(m_jj->commands(),
                 QList<QStringList>({{QStringLiteral("git"), QStringLiteral("remote"),
                                      QStringLiteral("add"), name, address}}));
        QCOMPARE(w.controller.repo().currentRemote->name, name);
    }

    QCOMPARE(testing::runJj(folder, args({"git", "remote", "list"})),
             QStringLiteral("origin ") + bare + QStringLiteral("\npercent ") + remotes[2].second +
                 QStringLiteral("\nscp ") + remotes[1].second + u'\n');
    // The lists hold the remotes as the remote list reads them.
    const QList<Remote> listed = QCoro::waitFor(w.controller.listRemotes());
    const Repo repo = w.controller.repo();
    QCOMPARE(repo.remotes.size(), 3);
    QCOMPARE(repo.remotes[0], listed[0]);
    QCOMPARE(repo.remotes[1], listed[2]);
    QCOMPARE(repo.remotes[2], listed[1]);
    QCOMPARE(repo.remotes[0].url, QUrl::fromLocalFile(bare));
    QVERIFY(m_alerts->alerts.isEmpty());
}

void TestDialogs::emptyRemoteLocationRunsNothing()
{
    Window w(makeRepo(QStringLiteral("repo")));
    const Repo before = w.controller.repo();
    for (const QString &location : {QString(), QStringLiteral("   ")}) {
        auto *dialog = w.present<AddRemoteView>(Sheet::addRemote);
        QTest::keyClicks(dialog->nameField(), QStringLiteral("origin"));
        dialog->locationField()->setText(location);
        dialog->actionButton()->button()->click();
        QTRY_VERIFY(w.closed());
    }
    QVERIFY(m_jj->commands().isEmpty());
    QCOMPARE(w.controller.repo(), before);
    QVERIFY(m_alerts->alerts.isEmpty());
}

void TestDialogs::failedRemoteAddChangesNoList()
{
    const QString folder = makeRepo(QStringLiteral("repo"));
    testing::runJj(folder, args({"git", "remote", "add", "origin", "https://example.com/a"}));
    Window w(folder);
    // A name that is taken, and an address that jj cannot read.
    const QList<std::pair<QString, QString>> refused{
        {QStringLiteral("origin"), QStringLiteral("https://example.com/b")},
        {QStringLiteral("other"), QStringLiteral("https://exa mple.com/b")}};
    for (const auto &[name, address] : refused) {
        m_jj->clear();
        m_alerts->alerts.clear();
        auto *dialog = w.present<AddRemoteView>(Sheet::addRemote);
        QTest::keyClicks(dialog->nameField(), name);
        QTest::keyClicks(dialog->locationField(), address);
        dialog->actionButton()->button()->click();
        QTRY_VERIFY_WITH_TIMEOUT(w.closed(), jjTimeout);

        QCOMPARE(m_jj->commands().size(), 1);
        QCOMPARE(m_alerts->alerts.size(), 1);
        QCOMPARE(m_alerts->alerts[0].message, QStringLiteral("Error running command"));
        QVERIFY2(m_alerts->alerts[0].informative.startsWith(QStringLiteral("Error: ")),
                 qPrintable(m_alerts->alerts[0].informative));
        QVERIFY(w.controller.repo().remotes.isEmpty());
        QVERIFY(!w.controller.repo().currentRemote);
    }
    QCOMPARE(testing::runJj(folder, args({"git", "remote", "list"})),
             QStringLiteral("origin https://example.com/a\n"));
}

void TestDialogs::commitWithMultiLineMessage()
{
    const QString folder = makeRepo(QStringLiteral("repo"));
    Window w(folder);
    w.load();
    testing::writeFile(folder + QStringLiteral("/notes.txt"), "more\n");
    const QString oldTop = w.controller.repo().changes.at(0)->changeId();
    m_jj->clear();

    auto *dialog = w.present<AddChangeView>(Sheet::addChange);
    QCOMPARE(dialog->focusWidget(), dialog->editor());
    // Return in the editor starts a new line; it does not press the action button. What
    // is typed reaches jj as it stands: a start like an option, no-break spaces, line
    // separators, tabs, lines of blanks, a trailing empty line.
    const QString message =
        QStringLiteral("- Add\u00a0notes\u2028now\n\n- item\tone\n   \n  Two lines of detail.\n\n");
    type(dialog->editor(), message);
    QVERIFY(!w.closed());
    QTest::mouseClick(dialog->actionButton()->button(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(w.closed(), jjTimeout);

    const QList<QStringList> commands = m_jj->commands();
    QCOMPARE(commands.size(), 3);
    QCOMPARE(commands[0],
             QStringList({QStringLiteral("commit"), QStringLiteral("--message=") + message}));
    QCOMPARE(storedDescription(folder, QStringLiteral("@-")), message);
    QCOMPARE(commands[1], args({"log", "--no-graph", "-r", "@-"}));
    QCOMPARE(commands[2], args({"log", "--no-graph", "-r", "@"}));
    const Repo repo = w.controller.repo();
    QCOMPARE(repo.changes.at(1)->changeId(), oldTop);
    QCOMPARE(repo.changes.at(1)->description(), message);
    QVERIFY(repo.changes.at(0)->changeId() != oldTop);
}

void TestDialogs::editDescriptionWritesBack()
{
    const QString folder = makeRepo(QStringLiteral("repo"));
    Window w(folder);
    w.load();
    const ChangePtr first = w.controller.repo().changes.at(1);
    const ChangePtr other = w.controller.repo().changes.at(0);
    QCOMPARE(first->description(), QStringLiteral("Add a README"));
    w.controller.modifyRepo([&](Repo &repo) { repo.selectedChanges = {first, other}; });
    const QString otherDescription = other->description();
    m_jj->clear();

    auto *dialog = w.present<EditDescriptionView>(Sheet::editChangeDescription);
    // Nothing can be edited or saved before the description has arrived.
    QVERIFY(!dialog->editor()->isEnabled());
    QVERIFY(!dialog->actionButton()->button()->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(dialog->editor()->isEnabled(), jjTimeout);
    QVERIFY(dialog->actionButton()->button()->isEnabled());
    QCOMPARE(editorText(dialog->editor()), QStringLiteral("Add a README"));
    m_jj->clear();
    dialog->editor()->selectAll();
    QTest::keyClicks(dialog->editor(), QStringLiteral("Explain the project"));
    QTest::keyClick(dialog->editor(), Qt::Key_Return);
    QTest::keyClicks(dialog->editor(), QStringLiteral("in a README"));
    QTest::mouseClick(dialog->actionButton()->button(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(w.closed(), jjTimeout);

    const QString text = QStringLiteral("Explain the project\nin a README");
    QCOMPARE(m_jj->commands(),
             QList<QStringList>({{QStringLiteral("describe"), QStringLiteral("-m"), text,
                                  QStringLiteral("-r"), first->changeId()}}));
    QCOMPARE(first->description(), text);
    QCOMPARE(other->description(), otherDescription);
    QVERIFY(testing::runJj(folder, {QStringLiteral("log"), QStringLiteral("--no-graph"),
                                    QStringLiteral("-r"), first->changeId()})
                .contains(QStringLiteral("Explain the project")));
}

void TestDialogs::descriptionsSurviveTheEditorUnchanged()
{
    const QString folder = makeRepo(QStringLiteral("repo"));
    testing::makeHistory(folder);
    Window w(folder);
    w.load();
    int edited = 0;
    for (const ChangePtr &change : w.controller.repo().changes) {
        const QString id = change->changeId();
        if (id == QStringLiteral("zzzzzzzz"))
            continue;
        const QString before = storedDescription(folder, id);
        auto *dialog = w.editDescription(change);
        // The whole description as it was written; nothing for a change without one.
        QCOMPARE(editorText(dialog->editor()) +
                     (before.isEmpty() ? QString() : QStringLiteral("\n")),
                 before);
        dialog->actionButton()->button()->click();
        QTRY_VERIFY_WITH_TIMEOUT(w.closed(), jjTimeout);
        QCOMPARE(storedDescription(folder, id), before);
        ++edited;
    }
    QVERIFY(edited >= 10);
    QVERIFY(m_alerts->alerts.isEmpty());
}

void TestDialogs::refusedDescriptionIsNotShown()
{
    const QString folder = makeRepo(QStringLiteral("repo"));
    Window w(folder);
    w.load();
    const ChangePtr root = w.controller.repo().changes.last();
    auto *dialog = w.editDescription(root);
    QCOMPARE(editorText(dialog->editor()), QString());
    const QString shown = root->description();
    QTest::keyClicks(dialog->editor(), QStringLiteral("Not for the root"));
    dialog->actionButton()->button()->click();
    QTRY_VERIFY_WITH_TIMEOUT(w.closed(), jjTimeout);

    QCOMPARE(m_alerts->alerts.size(), 1);
    QCOMPARE(m_alerts->alerts[0].message, QStringLiteral("Error running command"));
    QCOMPARE(m_alerts->alerts[0].informative,
             QStringLiteral("Error: The root commit 000000000000 is immutable\n"));
    QCOMPARE(root->description(), shown);
    QCOMPARE(storedDescription(folder, QStringLiteral("root()")), QString());
}

void TestDialogs::editAnAbandonedChangeAlertsAndCloses()
{
    const QString folder = makeRepo(QStringLiteral("repo"));
    Window w(folder);
    w.load();
    const ChangePtr change = w.controller.repo().changes.at(1);
    testing::runJj(folder, {QStringLiteral("abandon"), QStringLiteral("-r"), change->changeId()});
    m_jj->clear();
    w.controller.modifyRepo([&](Repo &repo) { repo.selectedChanges = {change}; });
    w.present<EditDescriptionView>(Sheet::editChangeDescription);
    QTRY_VERIFY_WITH_TIMEOUT(w.closed(), jjTimeout);

    // No editor was offered whose saving would wipe the description.
    QCOMPARE(m_jj->commands(), QList<QStringList>({{QStringLiteral("show"), change->changeId()}}));
    QCOMPARE(m_alerts->alerts.size(), 1);
    QCOMPARE(m_alerts->alerts[0].message, QStringLiteral("Error running command"));
    QVERIFY2(m_alerts->alerts[0].informative.contains(change->changeId()),
             qPrintable(m_alerts->alerts[0].informative));
    QCOMPARE(change->description(), QStringLiteral("Add a README"));
}

void TestDialogs::editWithoutSelectionRunsNothing()
{
    Window w(makeRepo(QStringLiteral("repo")));
    w.load();
    m_jj->clear();
    auto *dialog = w.present<EditDescriptionView>(Sheet::editChangeDescription);
    QVERIFY(dialog->editor()->isEnabled());
    QVERIFY(editorText(dialog->editor()).isEmpty());
    QTest::keyClicks(dialog->editor(), QStringLiteral("lost"));
    dialog->actionButton()->button()->click();
    QTRY_VERIFY(w.closed());
    QVERIFY(m_jj->commands().isEmpty());
    for (const ChangePtr &change : w.controller.repo().changes)
        QVERIFY(change->description() != QStringLiteral("lost"));
}

void TestDialogs::pushNeedsABookmark()
{
    Window w(makeRepo(QStringLiteral("repo")));
    w.load();
    w.controller.modifyRepo([](Repo &repo) {
        repo.remotes = {
            Remote{QStringLiteral("origin"), QUrl(QStringLiteral("https://example.com/a"))}};
        repo.currentRemote = repo.remotes[0];
    });
    m_jj->clear();
    auto *dialog = w.present<PushView>(Sheet::push);
    QCOMPARE(dialog->bookmarkMenu()->menuButton()->text(), QStringLiteral("No bookmark selected"));
    QTest::mouseClick(dialog->actionButton()->button(), Qt::LeftButton);
    QTRY_VERIFY(w.closed());
    QVERIFY(m_jj->commands().isEmpty());
    QVERIFY(m_alerts->alerts.isEmpty());
}

void TestDialogs::pushTracksThenPushes()
{
    const QString folder = makeRepo(QStringLiteral("repo"));
    const QString remote = QDir(m_jj->workspace()).filePath(QStringLiteral("remote.git"));
    QCOMPARE(QProcess::execute(QStringLiteral("git"), {QStringLiteral("init"), QStringLiteral("-q"),
                                                       QStringLiteral("--bare"), remote}),
             0);
    testing::runJj(folder, {QStringLiteral("git"), QStringLiteral("remote"), QStringLiteral("add"),
                            QStringLiteral("origin"), remote});
    testing::runJj(folder, args({"bookmark", "create", "main"}));
    Window w(folder);
    w.load();
    const QList<Bookmark> bookmarks = QCoro::waitFor(w.controller.listBookmarks());
    const QList<Remote> remotes = QCoro::waitFor(w.controller.listRemotes());
    w.controller.modifyRepo([&](Repo &repo) {
        repo.bookmarks = bookmarks;
        repo.remotes = remotes;
    });
    m_jj->clear();

    auto *dialog = w.present<PushView>(Sheet::push);
    // The user picks the bookmark and the remote from the two menus.
    for (QAction *item : dialog->bookmarkMenu()->menu()->actions())
        if (item->text() == QStringLiteral("main"))
            item->trigger();
    for (QAction *item : dialog->remoteMenu()->menu()->actions())
        if (item->text() == QStringLiteral("origin"))
            item->trigger();
    QCOMPARE(dialog->bookmarkMenu()->menuButton()->text(), QStringLiteral("main"));
    QCOMPARE(dialog->remoteMenu()->menuButton()->text(), QStringLiteral("origin"));
    QTest::mouseClick(dialog->actionButton()->button(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(w.closed(), jjTimeout);

    const QList<QStringList> commands = m_jj->commands();
    QCOMPARE(commands.size(), 3);
    QCOMPARE(commands[0], args({"bookmark", "track", "main@origin"}));
    QCOMPARE(commands[1], args({"bookmark", "set", "main", "--allow-backwards", "-r", "@-"}));
    QCOMPARE(commands[2], args({"git", "push", "--remote", "origin", "-b", "main"}));

    QProcess git;
    git.start(QStringLiteral("git"), {QStringLiteral("--git-dir"), remote, QStringLiteral("log"),
                                      QStringLiteral("--format=%s"), QStringLiteral("main")});
    QVERIFY(git.waitForFinished());
    QCOMPARE(QString::fromUtf8(git.readAllStandardOutput()).trimmed(),
             QStringLiteral("Add a README"));
    QVERIFY(m_alerts->alerts.isEmpty());
}

void TestDialogs::failedPushCommandsAlertOnceEach()
{
    Window w(makeRepo(QStringLiteral("repo")));
    w.load();
    w.controller.modifyRepo([](Repo &repo) {
        repo.currentBookmark = Bookmark{QStringLiteral("main")};
        repo.currentRemote =
            Remote{QStringLiteral("nowhere"), QUrl(QStringLiteral("file:///nowhere"))};
    });
    // Every command fails: the track and the bookmark move are each reported; the move
    // follows the failed track all the same, and a bookmark that did not move is not
    // pushed.
    testing::ScriptedJj failing(QStringLiteral("echo \"failed: $*\" >&2\nexit 1"));
    auto *dialog = w.present<PushView>(Sheet::push);
    QTest::mouseClick(dialog->actionButton()->button(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(w.closed(), jjTimeout);

    QCOMPARE(m_alerts->alerts.size(), 2);
    QCOMPARE(m_alerts->alerts[0].message, QStringLiteral("Error running command"));
    QCOMPARE(m_alerts->alerts[0].informative,
             QStringLiteral("failed: bookmark track main@nowhere\n"));
    QCOMPARE(m_alerts->alerts[1].informative,
             QStringLiteral("failed: bookmark set main --allow-backwards -r @-\n"));
}

void TestDialogs::cloneOpensWindowForDestination()
{
    const QString source = makeRepo(QStringLiteral("source repo"));
    const QString destination =
        QDir(m_jj->workspace()).filePath(QStringLiteral("clone d\u00e9j\u00e0 vu"));
    std::optional<platform::SavePanelOptions> asked;
    platform::setSavePanelHook([&](const platform::SavePanelOptions &options) {
        asked = options;
        return std::optional<QUrl>(QUrl::fromLocalFile(destination));
    });
    Window w(source);
    auto *dialog = w.present<CloneView>(Sheet::clone);
    QTest::keyClicks(dialog->locationField(), source);
    QTest::keyClick(dialog->locationField(), Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(w.closed(), jjTimeout);

    QVERIFY(asked);
    QCOMPARE(asked->title, QStringLiteral("Choose a location to clone the repo on your Mac"));
    QCOMPARE(asked->prompt, QStringLiteral("Clone"));
    QCOMPARE(asked->nameFieldLabel, QStringLiteral("Repository Location:"));
    QCOMPARE(m_jj->commands(), QList<QStringList>({{QStringLiteral("git"), QStringLiteral("clone"),
                                                    source, destination}}));
    QVERIFY(Repo::isJujutsuRepo(QUrl::fromLocalFile(destination)));
    QVERIFY(m_alerts->alerts.isEmpty());
    QCOMPARE(m_opened, QList<QUrl>{QUrl::fromLocalFile(destination)});
}

void TestDialogs::failedCloneAlertsAndStillOpens()
{
    const QString destination = QDir(m_jj->workspace()).filePath(QStringLiteral("copy"));
    platform::setSavePanelHook([&](const platform::SavePanelOptions &) {
        return std::optional<QUrl>(QUrl::fromLocalFile(destination));
    });
    Window w(QStringLiteral("/"));
    auto *dialog = w.present<CloneView>(Sheet::clone);
    // Passed exactly as typed, blanks included.
    QTest::keyClicks(dialog->locationField(), QStringLiteral(" no/such/repo "));
    dialog->actionButton()->button()->click();
    QTRY_VERIFY_WITH_TIMEOUT(w.closed(), jjTimeout);

    QCOMPARE(m_jj->commands(),
             QList<QStringList>({{QStringLiteral("git"), QStringLiteral("clone"),
                                  QStringLiteral(" no/such/repo "), destination}}));
    QCOMPARE(m_alerts->alerts.size(), 1);
    QCOMPARE(m_alerts->alerts[0].message, QStringLiteral("Error running command"));
    QCOMPARE(m_opened, QList<QUrl>{QUrl::fromLocalFile(destination)});
}

void TestDialogs::cancelledPanelClonesNothing()
{
    platform::setSavePanelHook(
        [](const platform::SavePanelOptions &) { return std::optional<QUrl>(); });
    Window w(QStringLiteral("/"));
    auto *dialog = w.present<CloneView>(Sheet::clone);
    QTest::keyClicks(dialog->locationField(), QStringLiteral("https://example.com/repo"));
    dialog->actionButton()->button()->click();
    QTRY_VERIFY(w.closed());
    QVERIFY(m_jj->commands().isEmpty());
    QVERIFY(m_opened.isEmpty());
    QVERIFY(m_alerts->alerts.isEmpty());
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"

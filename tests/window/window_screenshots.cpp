// Pictures of a repository window, for looking at the layout by hand. With a folder
// argument it opens that repository with the bundled jj; without one it shows a
// scripted history. A second argument keeps the window open that many seconds before
// the last picture, for trying it by hand.
#include "support/FakeJj.h"

#include "model/RepoController.h"
#include "window/ChangeList.h"
#include "window/RepoView.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace testing;

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString out = QDir::tempPath();
    std::unique_ptr<FakeJj> jj;
    QTemporaryDir scratch;
    QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : scratch.path();
    if (argc <= 1) {
        jj = std::make_unique<FakeJj>();
        QString log;
        const QStringList descriptions = {
            QString(), QStringLiteral("Add the frobnicator & its <b>tests</b>"),
            QStringLiteral("Fix 100% CPU use in the *poller* when C:\\path has %s"),
            QStringLiteral("A long description that goes on and on, far past the width of the "
                           "column, so that it has to wrap onto a second and a third line"),
            QStringLiteral("Initial commit")};
        for (int i = 0; i < descriptions.size(); ++i)
            log += logEntry(QStringLiteral("chg%1xyzw").arg(i), QStringLiteral("%1abc1234").arg(i),
                            descriptions[i]);
        jj->respond({"log", "--no-graph", "-r", "::"}, log);
        jj->respond({"log", "--no-graph"}, log);
        jj->respond({"bookmark", "list"}, QStringLiteral("main: chg4xyzw 4abc1234 Initial commit\n"
                                                         "feature: chg1xyzw 1abc1234 Add\n"));
        jj->respond({"show", "chg2xyzw"},
                    showOutput(QStringLiteral("chg2xyzwqnoowoytxnquwvuryrwnrmlp"),
                               QStringLiteral("2abc1234e5b681937f5a9c47feaa33e6b4892c"),
                               QStringLiteral(
                                   "Fix 100% CPU use in the *poller* when C:\\path has %s\n\n"
                                   "The poller woke up every millisecond <b>even</b> when idle.")));
        jj->respond({"diff", "-r", "chg2xyzwqnoowoytxnquwvuryrwnrmlp", "--git"},
                    QStringLiteral(
                        "diff --git a/src/poller.c b/src/poller.c\nindex 1234567..89abcde 100644\n"
                        "--- a/src/poller.c\n+++ b/src/poller.c\n@@ -1,4 +1,4 @@\n"
                        " #include <poll.h>\n-\tint timeout = 1;\n+\tint timeout = -1;\n"
                        " \treturn poll(fds, n, timeout);\n"));
    }

    RepoController controller(QUrl::fromLocalFile(folder));
    RepoView view(&controller);
    view.setWindowTitle(QDir(folder).dirName());
    view.resize(1100, 640);
    view.show();
    if (!QTest::qWaitForWindowExposed(&view))
        return 1;
    QTest::qWait(1500);
    view.grab().save(out + QStringLiteral("/ostrel-window-open.png"));

    ChangeList *list = view.changeList();
    const int row = qMin(2, list->model()->rowCount() - 1);
    if (row >= 0)
        list->selectionModel()->select(list->model()->index(row, 0),
                                       QItemSelectionModel::ClearAndSelect);
    QTest::qWait(1500);
    view.grab().save(out + QStringLiteral("/ostrel-window-selected.png"));
    if (argc > 2) {
        QTest::qWait(QString::fromLocal8Bit(argv[2]).toInt() * 1000);
        view.grab().save(out + QStringLiteral("/ostrel-window-held.png"));
    }
    return 0;
}

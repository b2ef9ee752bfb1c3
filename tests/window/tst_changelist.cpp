#include "support/FakeJj.h"

#include "dialogs/SheetPresenter.h"
#include "model/ChangeListModel.h"
#include "model/RepoController.h"
#include "window/ChangeList.h"

#include <QAction>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using testing::FakeJj;
using testing::logEntry;
using testing::showOutput;

namespace {

// A change list over a controller of its own, with the window's selection kept here.
struct Fixture {
    Fixture()
        : controller(QUrl::fromLocalFile(folder.path())),
          list(&controller, platform::Binding<ChangeSet>{[this] { return selection; },
                                                         [this](const ChangeSet &s) {
                                                             selection = s;
                                                             ++selectionWrites;
                                                         }})
    {
        controller.modifyRepo([](Repo &repo) {
            repo.changes = testing::makeChanges({"aaaa", "bbbb", "cccc", "dddd"});
        });
        for (const QString &id : QStringList{"aaaa", "bbbb", "cccc", "dddd"})
            jj.respond({"show", id},
                       showOutput(id, QStringLiteral("c0ffee"), QStringLiteral("about ") + id));
        list.resize(300, 400);
        list.show();
    }

    // Waits until the selection changes so far have loaded their change.
    void waitForLoads(int count)
    {
        QTRY_COMPARE(jj.callsOf({"diff"}).size(), count);
        jj.clearCalls();
    }

    QModelIndex row(int r) const { return list.model()->index(r, 0); }
    void click(int r, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::mouseClick(list.viewport(), Qt::LeftButton, modifiers,
                          list.visualRect(row(r)).center());
    }

    QTemporaryDir folder;
    FakeJj jj;
    testing::AlertRecorder alerts;
    RepoController controller;
    ChangeSet selection;
    int selectionWrites = 0;
    ChangeList list;
};

} // namespace

class TestChangeList : public QObject {
    Q_OBJECT

private slots:
    void listsTheControllersChanges()
    {
        Fixture f;
        QCOMPARE(f.list.model()->rowCount(), 4);
        QCOMPARE(f.list.model()->data(f.row(2)).toString(), QStringLiteral("about cccc"));
        QCOMPARE(f.list.selectionMode(), QAbstractItemView::ExtendedSelection);
        f.controller.modifyRepo([](Repo &repo) { repo.changes.clear(); });
        QCOMPARE(f.list.model()->rowCount(), 0);
        QVERIFY(f.jj.calls().isEmpty());
    }

    void selectingARowLoadsItsDetailsAndDiff()
    {
        Fixture f;
        f.jj.respond({"show", "bbbb"}, showOutput(QStringLiteral("bbbb"), QStringLiteral("c0ffee"),
                                                  QStringLiteral("Full\n\nDescription")));
        f.jj.respond({"diff", "-r", "bbbb", "--git"}, QStringLiteral("diff --git a/x b/x\n"));
        f.click(1);

        QCOMPARE(testing::changeIds(f.selection), QStringList({"bbbb"}));
        QCOMPARE(testing::changeIds(f.controller.repo().selectedChanges), QStringList({"bbbb"}));
        const ChangePtr change = f.controller.repo().changes.at(1);
        QTRY_COMPARE(change->changedText(), QStringLiteral("diff --git a/x b/x\n"));
        QCOMPARE(change->commitHash(), QStringLiteral("c0ffee"));
        QCOMPARE(change->description(), QStringLiteral("Full\n\nDescription"));
        QCOMPARE(f.jj.calls(),
                 QList<QStringList>({{"show", "bbbb"}, {"diff", "-r", "bbbb", "--git"}}));
    }

    void selectingSeveralWritesTheSetAndLoadsOne()
    {
        Fixture f;
        f.click(2);
        QTRY_COMPARE(f.jj.callsOf({"diff"}).size(), 1);
        f.click(0, Qt::ControlModifier);
        f.click(3, Qt::ControlModifier);
        // The change selected first stays first.
        QCOMPARE(testing::changeIds(f.selection), QStringList({"cccc", "aaaa", "dddd"}));
        QCOMPARE(testing::changeIds(f.controller.repo().selectedChanges),
                 QStringList({"cccc", "aaaa", "dddd"}));
        QTRY_COMPARE(f.jj.callsOf({"diff"}).size(), 3);
        QCOMPARE(f.jj.callsOf({"show"}).size(), 3);
        for (const QStringList &call : f.jj.callsOf({"show"}))
            QCOMPARE(call, QStringList({"show", "cccc"}));

        f.list.clearSelection();
        QVERIFY(f.selection.isEmpty());
        QVERIFY(f.controller.repo().selectedChanges.isEmpty());
        QTest::qWait(100);
        QCOMPARE(f.jj.callsOf({"show"}).size(), 3);
    }

    void aReplacedListKeepsTheSelectionWithoutLoading()
    {
        Fixture f;
        f.click(1);
        f.click(3, Qt::ControlModifier);
        f.waitForLoads(2);
        const int writes = f.selectionWrites;

        // A reload with other records for the same and new changes.
        f.controller.modifyRepo([](Repo &repo) {
            repo.changes = testing::makeChanges({"new1", "aaaa", "bbbb", "cccc", "dddd"});
        });
        QStringList shown;
        for (const QModelIndex &index : f.list.selectionModel()->selectedRows())
            shown.append(f.list.changeModel()->changeAt(index.row())->changeId());
        shown.sort();
        QCOMPARE(shown, QStringList({"bbbb", "dddd"}));
        QCOMPARE(f.selectionWrites, writes);
        QCOMPARE(testing::changeIds(f.selection), QStringList({"bbbb", "dddd"}));

        // Rows removed and moved by the model keep their selection too.
        f.controller.removeListedChanges({f.controller.repo().changes.at(2)});
        f.controller.moveChanges({3}, 0);
        QCOMPARE(testing::changeIds(f.controller.repo().changes),
                 QStringList({"dddd", "new1", "aaaa", "cccc"}));
        QCOMPARE(f.list.selectionModel()->selectedRows().size(), 1);
        QCOMPARE(f.list.selectionModel()->selectedRows().first().row(), 0);
        QCOMPARE(f.selectionWrites, writes);
        QTest::qWait(100);
        QVERIFY(f.jj.calls().isEmpty());
    }

    void removingTakesTheSelectedChangesOut()
    {
        Fixture f;
        f.click(1);
        f.click(2, Qt::ControlModifier);
        f.waitForLoads(2);

        f.list.removeChangeAction()->trigger();
        QTRY_COMPARE(f.controller.repo().changes.size(), 2);
        QCOMPARE(f.jj.calls(), QList<QStringList>({{"abandon", "-r", "bbbb", "cccc"}}));
        QCOMPARE(testing::changeIds(f.controller.repo().changes), QStringList({"aaaa", "dddd"}));
        // The selection is left as it was.
        QCOMPARE(testing::changeIds(f.controller.repo().selectedChanges),
                 QStringList({"bbbb", "cccc"}));
        QCOMPARE(testing::changeIds(f.selection), QStringList({"bbbb", "cccc"}));
        QVERIFY(f.alerts.alerts.isEmpty());
    }

    void contextMenuActsOnTheSelection()
    {
        Fixture f;
        const QList<QAction *> items = f.list.contextMenu()->actions();
        QCOMPARE(items.size(), 2);
        QCOMPARE(items.at(0)->text(), QStringLiteral("Edit Description"));
        QCOMPARE(items.at(1)->text(), QStringLiteral("Remove Change"));

        f.click(1);
        f.waitForLoads(1);
        f.list.editDescriptionAction()->trigger();
        QCOMPARE(f.list.sheetPresenter()->sheet(),
                 std::optional<Sheet>(Sheet::editChangeDescription));
        QVERIFY(f.list.sheetPresenter()->dialog());
        f.list.sheetPresenter()->dialog()->reject();
        QTRY_VERIFY(!f.list.sheetPresenter()->sheet());

        // While a removal runs, the item cannot start another.
        f.jj.delay({"abandon", "-r", "bbbb"}, 0.3);
        f.list.removeChangeAction()->trigger();
        QVERIFY(!f.list.removeChangeAction()->isEnabled());
        QTRY_VERIFY(f.list.removeChangeAction()->isEnabled());
        QCOMPARE(f.jj.callsOf({"abandon"}).size(), 1);
    }

    void aRowFarDownStaysWhereItIsWhenTheListChanges()
    {
        Fixture f;
        QStringList ids;
        for (int i = 0; i < 3000; ++i)
            ids.append(QStringLiteral("r%1").arg(i, 4, 10, QLatin1Char('0')));
        f.controller.modifyRepo([&](Repo &repo) { repo.changes = testing::makeChanges(ids); });
        QTRY_VERIFY(f.list.visualRect(f.row(2999)).isValid());
        f.list.scrollTo(f.row(2500), QAbstractItemView::PositionAtCenter);
        const int top = f.list.visualRect(f.row(2500)).top();
        // The clicked row wherever it stands in the list, once every layout has run.
        const auto clickedRowTop = [&f](int row) {
            QTest::qWait(200);
            return f.list.visualRect(f.row(row)).top();
        };

        // Its details arrive with a description of three lines.
        f.jj.respond({"show", "r2500"},
                     showOutput(QStringLiteral("r2500"), QStringLiteral("c0ffee"),
                                QStringLiteral("Full\n\nDescription")));
        f.click(2500);
        QTRY_COMPARE(f.controller.repo().changes.at(2500)->description(),
                     QStringLiteral("Full\n\nDescription"));
        QCOMPARE(clickedRowTop(2500), top);
        // A reload finds the same changes, with the log's one line for it.
        f.controller.modifyRepo([&](Repo &repo) { repo.changes = testing::makeChanges(ids); });
        QCOMPARE(clickedRowTop(2500), top);
        // Its description is edited.
        f.controller.repo().changes.at(2500)->setDescription(QStringLiteral("Edited\ntext"));
        QCOMPARE(clickedRowTop(2500), top);
        // A change is added at the top.
        f.controller.modifyRepo(
            [](Repo &repo) { repo.changes.prepend(testing::makeChange(QStringLiteral("new"))); });
        QCOMPARE(clickedRowTop(2501), top);
    }

    void rowsTakeTheHeightTheirTextNeedsAtTheListsWidth()
    {
        Fixture f;
        // Descriptions that wrap, some at one width and not another.
        f.controller.modifyRepo([](Repo &repo) {
            repo.changes.clear();
            for (int row = 0; row < 3000; ++row)
                repo.changes.append(
                    testing::makeChange(QStringLiteral("w%1").arg(row),
                                        QStringLiteral("word ").repeated(1 + row % 30)));
        });
        // A row is drawn as tall as its text needs at the width it is drawn at; the next
        // row starts below it.
        const auto rowsFitTheirText = [&f] {
            for (int r = 0; r < 100; ++r)
                if (f.list.visualRect(f.row(r + 1)).top() !=
                    f.list.visualRect(f.row(r)).bottom() + 1)
                    return false;
            return true;
        };
        QTRY_VERIFY(f.list.visualRect(f.row(2999)).isValid());
        QVERIFY(f.list.verticalScrollBar()->isVisible());
        QVERIFY(rowsFitTheirText());
        // As the scroll bar came above, and as the divider beside the list is dragged.
        for (const int width : {170, 300, 286}) {
            f.list.resize(width, 400);
            QTest::qWait(200);
            QVERIFY(rowsFitTheirText());
        }
    }

    void aDropOnTheViewStartsTheMove()
    {
        Fixture f;
        ChangeListModel *model = f.list.changeModel();
        std::unique_ptr<QMimeData> dragged(model->mimeData({f.row(3)}));
        QVERIFY(model->dropMimeData(dragged.get(), Qt::MoveAction, 1, 0, QModelIndex()));
        QTRY_COMPARE(testing::changeIds(f.controller.repo().changes),
                     QStringList({"aaaa", "dddd", "bbbb", "cccc"}));
        QCOMPARE(f.jj.callsOf({"rebase"}).size(), 1);
    }

    void aDropMovesTheDraggedChangesWhereverAReloadListedThem()
    {
        Fixture f;
        ChangeListModel *model = f.list.changeModel();
        std::unique_ptr<QMimeData> dragged(model->mimeData({f.row(2), f.row(3)}));
        f.controller.modifyRepo([](Repo &repo) {
            repo.changes = testing::makeChanges({"cccc", "new1", "aaaa", "bbbb", "dddd"});
        });
        QVERIFY(model->dropMimeData(dragged.get(), Qt::MoveAction, 3, 0, QModelIndex()));
        QTRY_COMPARE(testing::changeIds(f.controller.repo().changes),
                     QStringList({"new1", "aaaa", "cccc", "dddd", "bbbb"}));
        QCOMPARE(
            f.jj.callsOf({"rebase"}),
            QList<QStringList>({{"rebase", "-r", "cccc", "-r", "dddd", "--insert-after", "bbbb"}}));

        // Changes that are no longer listed are not dragged at all.
        f.controller.modifyRepo([](Repo &repo) {
            repo.changes = testing::makeChanges({"new1", "aaaa"});
        });
        QVERIFY(!model->dropMimeData(dragged.get(), Qt::MoveAction, 0, 0, QModelIndex()));
    }

    void aReloadMovesTheSelectionToTheListedRecords()
    {
        Fixture f;
        f.click(1);
        f.waitForLoads(1);
        f.jj.respond(
            {"log", "--no-graph", "-r", "::"},
            logEntry(QStringLiteral("new1"), QStringLiteral("1111"), QStringLiteral("new")) +
                logEntry(QStringLiteral("bbbb"), QStringLiteral("2222"),
                         QStringLiteral("about bbbb")));
        QCoro::waitFor(f.controller.loadChanges(ChangeCategory::allChanges));
        const ChangePtr listed = f.list.changeModel()->changeAt(1);
        QCOMPARE(f.selection.first(), listed);
        QCOMPARE(f.controller.repo().selectedChanges.first(), listed);
        // An edit of the selected change shows in its row.
        QCoro::waitFor(f.controller.describeFirstSelected(QStringLiteral("edited")));
        QCOMPARE(f.list.model()->data(f.row(1)).toString(), QStringLiteral("edited"));
        QCOMPARE(f.list.selectionModel()->selectedRows().size(), 1);
        QCOMPARE(f.list.selectionModel()->selectedRows().first().row(), 1);
    }
};

QTEST_MAIN(TestChangeList)
#include "tst_changelist.moc"

#include "model/ChangeListModel.h"
#include "support/TestSupport.h"

#include <QAbstractItemModelTester>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>

namespace {

ChangePtr change(const QString &id, const QString &description = QString())
{
    return testing::makeChange(id,
                               description.isEmpty() ? QStringLiteral("about ") + id : description);
}

QList<ChangePtr> changes(const QStringList &ids)
{
    return testing::makeChanges(ids);
}

QStringList ids(const ChangeListModel &model)
{
    QStringList result;
    for (int row = 0; row < model.rowCount(); ++row)
        result.append(model.changeAt(row)->changeId());
    return result;
}

QList<ChangePtr> pick(const QList<ChangePtr> &list, const QList<int> &order)
{
    QList<ChangePtr> result;
    for (int i : order)
        result.append(list.at(i));
    return result;
}

// Counts what a model told its views.
struct Signals {
    explicit Signals(ChangeListModel *model)
        : reset(model, &QAbstractItemModel::modelReset),
          inserted(model, &QAbstractItemModel::rowsInserted),
          removed(model, &QAbstractItemModel::rowsRemoved),
          moved(model, &QAbstractItemModel::rowsMoved),
          layout(model, &QAbstractItemModel::layoutChanged),
          data(model, &QAbstractItemModel::dataChanged)
    {}
    QSignalSpy reset, inserted, removed, moved, layout, data;
};

} // namespace

class TestChangeListModel : public QObject {
    Q_OBJECT

private slots:
    void showsDescriptionsInListOrder()
    {
        ChangeListModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setChanges({change(QStringLiteral("a"), QStringLiteral("100% *done* \\ <b>&</b>")),
                          change(QStringLiteral("b"))});
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.data(model.index(0)).toString(), QStringLiteral("100% *done* \\ <b>&</b>"));
        QCOMPARE(model.data(model.index(1)).toString(), QStringLiteral("about b"));
        QVERIFY(model.flags(model.index(0)) & Qt::ItemIsDragEnabled);
        QVERIFY(!(model.flags(model.index(0)) & Qt::ItemIsDropEnabled));
        QVERIFY(model.flags(QModelIndex()) & Qt::ItemIsDropEnabled);
    }

    void updatesWithTheLeastItCan()
    {
        ChangeListModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        const QList<ChangePtr> base = changes({"a", "b", "c", "d", "e"});
        model.setChanges(base);
        Signals spy(&model);

        // The same list again: nothing at all.
        model.setChanges(base);
        QCOMPARE(spy.reset.count() + spy.inserted.count() + spy.removed.count() + spy.data.count(),
                 0);

        // A new change at the top: one insertion.
        const QList<ChangePtr> withNew = QList<ChangePtr>{change(QStringLiteral("n"))} + base;
        model.setChanges(withNew);
        QCOMPARE(spy.inserted.count(), 1);
        QCOMPARE(ids(model), QStringList({"n", "a", "b", "c", "d", "e"}));

        // Two rows taken out: removals only.
        model.setChanges(pick(withNew, {0, 1, 3, 5}));
        QCOMPARE(spy.removed.count(), 2);
        QCOMPARE(ids(model), QStringList({"n", "a", "c", "e"}));

        // A replaced list of other changes: the one reset.
        model.setChanges(changes({"x", "y"}));
        QCOMPARE(spy.reset.count(), 1);
        QCOMPARE(ids(model), QStringList({"x", "y"}));

        // A reload of the same changes in the same order: new texts, same rows, also when
        // one id was read in full before and comes shortened now.
        model.changeAt(0)->setChangeId(QStringLiteral("xfull"));
        const QList<ChangePtr> reloaded = changes({"x", "y"});
        reloaded.at(1)->setDescription(QStringLiteral("longer\ntext"));
        model.setChanges(reloaded);
        QCOMPARE(spy.reset.count(), 1);
        QCOMPARE(spy.data.count(), 1);
        QCOMPARE(model.data(model.index(1)).toString(), QStringLiteral("longer\ntext"));
        QCOMPARE(model.changeAt(1), reloaded.at(1));
    }

    void movesRowsAndKeepsTheirSelection_data()
    {
        QTest::addColumn<QList<int>>("order");
        QTest::addColumn<int>("maxMoves");
        QTest::newRow("one row up") << QList<int>{0, 4, 1, 2, 3, 5} << 1;
        QTest::newRow("one row down") << QList<int>{1, 2, 3, 0, 4, 5} << 1;
        QTest::newRow("two rows down") << QList<int>{2, 3, 0, 1, 4, 5} << 2;
        QTest::newRow("rows from both sides") << QList<int>{1, 0, 5, 2, 3, 4} << 3;
        QTest::newRow("to the end") << QList<int>{1, 2, 3, 4, 5, 0} << 1;
        QTest::newRow("reversed") << QList<int>{5, 4, 3, 2, 1, 0} << 5;
    }

    void movesRowsAndKeepsTheirSelection()
    {
        QFETCH(QList<int>, order);
        QFETCH(int, maxMoves);
        ChangeListModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        const QList<ChangePtr> base = changes({"a", "b", "c", "d", "e", "f"});
        model.setChanges(base);
        QItemSelectionModel selection(&model);
        selection.select(model.index(0), QItemSelectionModel::Select);
        selection.select(model.index(4), QItemSelectionModel::Select);
        Signals spy(&model);

        const QList<ChangePtr> reordered = pick(base, order);
        model.setChanges(reordered);

        QCOMPARE(model.changes(), reordered);
        QCOMPARE(spy.reset.count(), 0);
        QVERIFY(spy.moved.count() >= 1);
        QVERIFY(spy.moved.count() <= maxMoves);
        QStringList selectedIds;
        for (const QModelIndex &index : selection.selectedRows())
            selectedIds.append(model.changeAt(index.row())->changeId());
        selectedIds.sort();
        QCOMPARE(selectedIds, QStringList({"a", "e"}));
    }

    void manyMovesBecomeOneLayoutChange()
    {
        ChangeListModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QStringList names;
        for (int i = 0; i < 2000; ++i)
            names.append(QString::number(i));
        const QList<ChangePtr> base = changes(names);
        model.setChanges(base);
        QItemSelectionModel selection(&model);
        selection.select(model.index(10), QItemSelectionModel::Select);
        Signals spy(&model);

        QList<ChangePtr> shuffled = base;
        std::reverse(shuffled.begin(), shuffled.end());
        model.setChanges(shuffled);

        QCOMPARE(model.changes(), shuffled);
        QCOMPARE(spy.layout.count(), 1);
        QCOMPARE(spy.moved.count(), 0);
        QCOMPARE(selection.selectedRows().size(), 1);
        QCOMPARE(selection.selectedRows().first().row(), 1989);
    }

    void descriptionWritesUpdateTheirRow()
    {
        ChangeListModel model;
        const QList<ChangePtr> base = changes({"a", "b"});
        model.setChanges(base);
        QSignalSpy data(&model, &QAbstractItemModel::dataChanged);
        base.at(1)->setDescription(QStringLiteral("new text"));
        QCOMPARE(data.count(), 1);
        QCOMPARE(data.first().at(0).toModelIndex().row(), 1);
        base.at(1)->setDescription(QStringLiteral("new text"));
        QCOMPARE(data.count(), 1);

        // A record no longer listed is no longer watched.
        model.setChanges({base.at(0)});
        base.at(1)->setDescription(QStringLiteral("gone"));
        QCOMPARE(data.count(), 1);
    }

    void dropsAskForOneMoveOfAllRows()
    {
        ChangeListModel model;
        model.setChanges(changes({"a", "b", "c", "d"}));
        QSignalSpy requested(&model, &ChangeListModel::moveRequested);

        std::unique_ptr<QMimeData> dragged(model.mimeData({model.index(3), model.index(1)}));
        QVERIFY(model.canDropMimeData(dragged.get(), Qt::MoveAction, 0, 0, QModelIndex()));
        QVERIFY(model.dropMimeData(dragged.get(), Qt::MoveAction, 0, 0, QModelIndex()));
        QCOMPARE(requested.count(), 1);
        QCOMPARE(requested.first().at(0).value<QList<qsizetype>>(), QList<qsizetype>({1, 3}));
        QCOMPARE(requested.first().at(1).value<qsizetype>(), qsizetype(0));
        // The rows themselves wait for the rebase.
        QCOMPARE(ids(model), QStringList({"a", "b", "c", "d"}));

        // Below the last row.
        QVERIFY(model.dropMimeData(dragged.get(), Qt::MoveAction, -1, -1, QModelIndex()));
        QCOMPARE(requested.last().at(1).value<qsizetype>(), qsizetype(4));
    }

    void refusesDropsThatMoveNothingOrComeFromElsewhere()
    {
        ChangeListModel model;
        model.setChanges(changes({"a", "b", "c", "d"}));
        ChangeListModel other;
        other.setChanges(changes({"a", "b", "c", "d"}));
        QSignalSpy requested(&model, &ChangeListModel::moveRequested);

        std::unique_ptr<QMimeData> rows(model.mimeData({model.index(1), model.index(2)}));
        for (int row : {1, 2, 3})
            QVERIFY(!model.dropMimeData(rows.get(), Qt::MoveAction, row, 0, QModelIndex()));
        QVERIFY(!model.dropMimeData(rows.get(), Qt::CopyAction, 0, 0, QModelIndex()));
        QVERIFY(!model.dropMimeData(rows.get(), Qt::MoveAction, 0, 0, model.index(0)));

        std::unique_ptr<QMimeData> foreign(other.mimeData({other.index(0)}));
        QVERIFY(!model.canDropMimeData(foreign.get(), Qt::MoveAction, 3, 0, QModelIndex()));
        QMimeData text;
        text.setText(QStringLiteral("a"));
        QVERIFY(!model.canDropMimeData(&text, Qt::MoveAction, 3, 0, QModelIndex()));
        QCOMPARE(requested.count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestChangeListModel)
#include "tst_changelistmodel.moc"

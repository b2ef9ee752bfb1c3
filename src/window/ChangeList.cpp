#include "window/ChangeList.h"

#include "dialogs/SheetPresenter.h"
#include "model/RepoController.h"
#include "window/AsyncButton.h"
#include "window/Card.h"
#include "window/ChangeListModel.h"

#include <QDropEvent>
#include <QHash>
#include <QMenu>
#include <QSet>

#include <algorithm>

ChangeList::ChangeList(RepoController *controller, platform::Binding<ChangeSet> selection,
                       QWidget *parent)
    : QListView(parent),
      m_controller(controller),
      m_selection(std::move(selection)),
      m_model(new ChangeListModel(this)),
      m_card(new Card(this)),
      m_sheets(new SheetPresenter(this, [this] { return m_controller.data(); })),
      m_menu(new QMenu(this))
{
    setModel(m_model);
    setItemDelegate(m_card);
    setSelectionMode(ExtendedSelection);
    setSelectionBehavior(SelectRows);
    setDragDropMode(InternalMove);
    setDefaultDropAction(Qt::MoveAction);
    setDropIndicatorShown(true);
    setResizeMode(Adjust);
    // The first rows show at once however long the list; the rest is laid out while
    // the window stays responsive.
    setLayoutMode(Batched);
    setVerticalScrollMode(ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setFrameShape(QFrame::NoFrame);

    m_editDescription = m_menu->addAction(tr("Edit Description"));
    m_removeChange = m_menu->addAction(tr("Remove Change"));
    connect(m_editDescription, &QAction::triggered, this,
            [this] { m_sheets->setSheet(Sheet::editChangeDescription); });
    new AsyncMenuAction(m_removeChange, [this] { return removeSelectedChanges(); });

    connect(this, &QWidget::customContextMenuRequested, this, &ChangeList::showContextMenu);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ChangeList::viewSelectionChanged);
    connect(m_model, &ChangeListModel::moveRequested, this,
            [this](const QList<qsizetype> &offsets, qsizetype destination) {
                moveChanges(offsets, destination);
            });
    // A replaced list clears the view's selection; the window's selection still holds
    // its changes, and the rows that show them are selected again.
    connect(m_model, &QAbstractItemModel::modelReset, this,
            [this] { selectRowsOf(m_selection.get()); });
    if (m_controller) {
        connect(m_controller, &RepoController::repoChanged, this, &ChangeList::repoChanged);
        repoChanged();
    }
}

void ChangeList::repoChanged()
{
    if (!m_controller)
        return;
    const bool wasSyncing = std::exchange(m_syncing, true);
    m_model->setChanges(m_controller->repo().changes);
    m_syncing = wasSyncing;
}

void ChangeList::selectRowsOf(const ChangeSet &changes)
{
    QItemSelection selection;
    if (!changes.isEmpty()) {
        QSet<QString> ids;
        for (const ChangePtr &change : changes)
            ids.insert(change->changeId());
        const QList<ChangePtr> &rows = m_model->changes();
        qsizetype runStart = -1;
        for (qsizetype row = 0; row <= rows.size(); ++row) {
            const bool selected = row < rows.size() && ids.contains(rows.at(row)->changeId());
            if (selected && runStart < 0)
                runStart = row;
            if (!selected && runStart >= 0) {
                selection.select(m_model->index(int(runStart)), m_model->index(int(row - 1)));
                runStart = -1;
            }
        }
    }
    const bool wasSyncing = std::exchange(m_syncing, true);
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    m_syncing = wasSyncing;
}

void ChangeList::restoreSelection()
{
    if (!m_controller)
        return;
    const ChangeSet restored = m_controller->repo().selectedChanges;
    selectRowsOf(restored);
    if (restored == m_selection.get())
        m_selection.set(restored);
    else
        writeSelection(restored);
}

void ChangeList::viewSelectionChanged()
{
    if (m_syncing || !m_controller)
        return;
    QModelIndexList rows = selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); });
    QHash<QString, ChangePtr> byId;
    byId.reserve(rows.size());
    for (const QModelIndex &index : std::as_const(rows)) {
        const ChangePtr change = m_model->changeAt(index.row());
        byId.insert(change->changeId(), change);
    }
    // Changes selected before keep their place, so the first stays first; the newly
    // selected rows follow in list order.
    const ChangeSet current = m_selection.get();
    QList<ChangePtr> ordered;
    ordered.reserve(rows.size());
    for (const ChangePtr &change : current)
        if (const ChangePtr row = byId.value(change->changeId()))
            ordered.append(row);
    for (const QModelIndex &index : std::as_const(rows))
        ordered.append(m_model->changeAt(index.row()));
    const ChangeSet next = ChangeSet::fromList(ordered);
    if (next == current)
        return;
    writeSelection(next);
}

void ChangeList::writeSelection(const ChangeSet &selection)
{
    m_selection.set(selection);
    if (!m_controller)
        return;
    m_controller->modifyRepo([&](Repo &repo) { repo.selectedChanges = selection; });
    loadFirstSelected();
}

QCoro::Task<> ChangeList::loadFirstSelected()
{
    const ChangePtr change = m_selection.get().first();
    const QPointer<RepoController> controller = m_controller;
    if (!change || !controller)
        co_return;
    co_await change->show(controller->repo().folder);
    if (!controller)
        co_return;
    co_await change->diff(controller->repo().folder);
}

void ChangeList::showContextMenu(const QPoint &position)
{
    if (indexAt(position).isValid())
        m_menu->popup(viewport()->mapToGlobal(position));
}

QCoro::Task<> ChangeList::removeSelectedChanges()
{
    const QPointer<RepoController> controller = m_controller;
    if (!controller)
        co_return;
    co_await controller->abandon(controller->repo().selectedChanges);
    if (!controller)
        co_return;
    // The selection as it stands now; it is left as it is, removed changes and all.
    controller->removeListedChanges(controller->repo().selectedChanges);
}

QCoro::Task<> ChangeList::moveChanges(QList<qsizetype> sourceOffsets, qsizetype destination)
{
    const QPointer<RepoController> controller = m_controller;
    if (!controller)
        co_return;
    std::sort(sourceOffsets.begin(), sourceOffsets.end());
    const QList<ChangePtr> before = controller->repo().changes;
    auto at = [&before](qsizetype offset) {
        return offset >= 0 && offset < before.size() ? before.at(offset) : std::make_shared<Change>();
    };
    QList<ChangePtr> moved;
    for (qsizetype offset : std::as_const(sourceOffsets))
        moved.append(at(offset));
    const ChangePtr target = at(destination);

    co_await controller->rebase(ChangeSet::fromList(moved), target);
    if (!controller)
        co_return;

    // The rows move as the list stands now. A load may have replaced it during the
    // rebase, so the moved changes and the target are looked up again by id; what is
    // no longer listed is left out, and without its target nothing moves.
    const QList<ChangePtr> now = controller->repo().changes;
    QHash<QString, qsizetype> rowOf;
    rowOf.reserve(now.size());
    for (qsizetype row = now.size() - 1; row >= 0; --row)
        rowOf.insert(now.at(row)->changeId(), row);
    QList<qsizetype> sources;
    for (const ChangePtr &change : std::as_const(moved))
        if (!change->changeId().isEmpty() && rowOf.contains(change->changeId()))
            sources.append(rowOf.value(change->changeId()));
    qsizetype to = now.size();
    if (!target->changeId().isEmpty()) {
        if (!rowOf.contains(target->changeId()))
            co_return;
        to = rowOf.value(target->changeId());
    }
    controller->moveChanges(sources, to);
}

void ChangeList::showEvent(QShowEvent *event)
{
    QListView::showEvent(event);
    if (event->spontaneous())
        return;
    restoreSelection();
    emit shown();
}

void ChangeList::hideEvent(QHideEvent *event)
{
    QListView::hideEvent(event);
    if (!event->spontaneous())
        emit hidden();
}

void ChangeList::dropEvent(QDropEvent *event)
{
    // QListView would move the dragged rows one by one; the model takes the whole drop
    // at once instead, as one rebase.
    QAbstractItemView::dropEvent(event);
}

void ChangeList::dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                             const QList<int> &roles)
{
    QListView::dataChanged(topLeft, bottomRight, roles);
    // A new description may need more or fewer lines.
    scheduleDelayedItemsLayout();
}

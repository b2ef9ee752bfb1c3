#include "window/ChangeList.h"

#include "dialogs/SheetPresenter.h"
#include "model/ChangeIndex.h"
#include "model/ChangeListModel.h"
#include "model/RepoController.h"
#include "widgets/AsyncButton.h"
#include "widgets/Card.h"

#include <QDropEvent>
#include <QMenu>

#include <algorithm>

ChangeList::ChangeList(RepoController *controller, platform::Binding<ChangeSet> selection,
                       QWidget *parent)
    : QListView(parent), m_controller(controller), m_selection(std::move(selection)),
      m_model(new ChangeListModel(this)), m_card(new Card(this)),
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
    new AsyncMenuAction(m_removeChange, [controller = m_controller]() -> QCoro::Task<> {
        if (controller)
            co_await controller->removeSelectedChanges(RepoController::Removal::selectedAfterwards);
    });

    connect(this, &QWidget::customContextMenuRequested, this, &ChangeList::showContextMenu);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ChangeList::viewSelectionChanged);
    connect(m_model, &ChangeListModel::moveRequested, this,
            [this](const QList<qsizetype> &offsets, qsizetype destination) {
                if (m_controller)
                    m_controller->rebaseAndMoveChanges(offsets, destination);
            });
    // A new description may need more or fewer lines.
    connect(m_model, &QAbstractItemModel::dataChanged, this,
            [this] { scheduleDelayedItemsLayout(); });
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
    // A reload carries the selection over to the records it lists; the window's set
    // follows, so the details show the listed record.
    const ChangeSet selected = m_controller->repo().selectedChanges;
    const ChangeSet shown = m_selection.get();
    if (selected.toList() != shown.toList() && selected == shown)
        m_selection.set(selected);
}

void ChangeList::selectRowsOf(const ChangeSet &changes)
{
    QItemSelection selection;
    if (!changes.isEmpty()) {
        const ChangeIndex index(m_model->changes());
        QList<qsizetype> rows;
        for (const ChangePtr &change : changes)
            if (const qsizetype row = index.find(change->changeId()); row >= 0)
                rows.append(row);
        std::sort(rows.begin(), rows.end());
        for (qsizetype i = 0; i < rows.size();) {
            qsizetype last = i;
            while (last + 1 < rows.size() && rows.at(last + 1) <= rows.at(last) + 1)
                ++last;
            selection.select(m_model->index(int(rows.at(i))), m_model->index(int(rows.at(last))));
            i = last + 1;
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
    QList<ChangePtr> selected;
    selected.reserve(rows.size());
    for (const QModelIndex &index : std::as_const(rows))
        selected.append(m_model->changeAt(index.row()));
    // Changes selected before keep their place, so the first stays first; the newly
    // selected rows follow in list order.
    const ChangeSet current = m_selection.get();
    const ChangeIndex index(selected);
    QList<ChangePtr> ordered;
    ordered.reserve(selected.size());
    for (const ChangePtr &change : current)
        if (const qsizetype row = index.find(change->changeId()); row >= 0)
            ordered.append(selected.at(row));
    ordered += selected;
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
    m_controller->loadChangeDetails(m_selection.get().first());
}

void ChangeList::showContextMenu(const QPoint &position)
{
    if (indexAt(position).isValid())
        m_menu->popup(viewport()->mapToGlobal(position));
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

#include "window/ChangeList.h"

#include "dialogs/SheetPresenter.h"
#include "model/ChangeIndex.h"
#include "model/ChangeListModel.h"
#include "model/RepoController.h"
#include "widgets/AsyncButton.h"
#include "widgets/Card.h"

#include <QDropEvent>
#include <QMenu>
#include <QScrollBar>

#include <algorithm>

namespace {
// Measuring a row takes under a microsecond for plain text and tens of microseconds for
// text that needs a full layout (an em dash, CJK): a list with more unmeasured rows than
// this is laid out in batches of this many, one per turn of the event loop.
constexpr int unmeasuredLimit = 128;
} // namespace

// A card that keeps the size of each row it measured at the list's width, so that a list
// laid out again measures only the rows whose text changed. The list tells it which rows
// changed, came, went or moved.
class MeasuredCard : public Card {
public:
    using Card::Card;

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const int row = index.row();
        const int width = option.rect.width();
        if (width > 0 && row < m_sizes.size() && m_sizes.at(row).width() == width)
            return m_sizes.at(row);
        const QSize size = Card::sizeHint(option, index);
        if (width > 0) {
            keepSizesFor(row + 1);
            m_sizes[row] = size;
        }
        return size;
    }

    void forgetRows(int first, int last)
    {
        for (int row = first; row <= last && row < m_sizes.size(); ++row)
            m_sizes[row] = QSize();
    }
    void rowsCame(int first, int count)
    {
        keepSizesFor(first);
        m_sizes.insert(first, count, QSize());
    }
    void rowsWent(int first, int count)
    {
        keepSizesFor(first + count);
        m_sizes.remove(first, count);
    }
    // Moves rows in front of the row at `destination`, counted before the move.
    void rowsShifted(int first, int count, int destination)
    {
        keepSizesFor(std::max(first + count, destination));
        const QList<QSize> moved = m_sizes.mid(first, count);
        m_sizes.remove(first, count);
        const int at = destination > first ? destination - count : destination;
        for (int i = 0; i < count; ++i)
            m_sizes.insert(at + i, moved.at(i));
    }
    void forgetAllRows() { m_sizes.clear(); }

    qsizetype unmeasured(int rows) const
    {
        qsizetype count = std::max<qsizetype>(0, rows - m_sizes.size());
        for (qsizetype row = 0; row < rows && row < m_sizes.size(); ++row)
            count += m_sizes.at(row).isValid() ? 0 : 1;
        return count;
    }

private:
    void keepSizesFor(qsizetype rows) const
    {
        if (m_sizes.size() < rows)
            m_sizes.resize(rows);
    }

    mutable QList<QSize> m_sizes;
};

ChangeList::ChangeList(RepoController *controller, platform::Binding<ChangeSet> selection,
                       QWidget *parent)
    : QListView(parent), m_controller(controller), m_selection(std::move(selection)),
      m_model(new ChangeListModel(this)), m_card(new MeasuredCard(this)),
      m_sheets(new SheetPresenter(this, [this] { return m_controller.data(); })),
      m_menu(new QMenu(this))
{
    // Told before the view hears of the rows, so that its layout finds the sizes kept for
    // the rows where they now stand.
    connect(m_model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) {
                m_card->rowsCame(first, last - first + 1);
            });
    connect(m_model, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex &, int first, int last) {
                m_card->rowsWent(first, last - first + 1);
            });
    connect(m_model, &QAbstractItemModel::rowsMoved, this,
            [this](const QModelIndex &, int first, int last, const QModelIndex &, int row) {
                m_card->rowsShifted(first, last - first + 1, row);
            });
    // A new description may need more or fewer lines.
    connect(m_model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &topLeft, const QModelIndex &bottomRight) {
                if (!topLeft.isValid() || !bottomRight.isValid())
                    return;
                m_card->forgetRows(topLeft.row(), bottomRight.row());
                scheduleDelayedItemsLayout();
            });
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] { m_card->forgetAllRows(); });
    connect(m_model, &QAbstractItemModel::layoutChanged, this, [this] { m_card->forgetAllRows(); });
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
    setBatchSize(unmeasuredLimit);
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
    // A replaced list clears the view's selection; the window's selection still holds
    // its changes, and the rows that show them are selected again.
    connect(m_model, &QAbstractItemModel::modelReset, this,
            [this] { selectRowsOf(m_selection.get()); });
    if (m_controller) {
        connect(m_controller, &RepoController::repoChanged, this, &ChangeList::repoChanged);
        repoChanged();
    }
}

Card *ChangeList::card() const
{
    return m_card;
}

void ChangeList::doItemsLayout()
{
    // Laid out at once, the rows above the anchor keep their places unless their own
    // heights changed, and the anchor is scrolled back to where it stood. A list that
    // is mostly unmeasured (new, or at a new width) starts again from its top.
    const bool measured = m_card->unmeasured(m_model->rowCount()) <= unmeasuredLimit;
    setLayoutMode(measured ? SinglePass : Batched);
    const bool wasLayingOut = std::exchange(m_layingOut, true);
    QListView::doItemsLayout();
    if (measured && m_anchor.isValid()) {
        const QRect anchor = visualRect(m_anchor);
        if (anchor.isValid())
            verticalScrollBar()->setValue(verticalScrollBar()->value() + anchor.top() -
                                          m_anchorTop);
    }
    m_layingOut = wasLayingOut;
    keepAnchor();
}

void ChangeList::keepAnchor()
{
    if (m_layingOut)
        return;
    const QRect shown = viewport()->rect();
    QModelIndex anchor = currentIndex();
    if (!anchor.isValid() || !visualRect(anchor).intersects(shown))
        anchor = indexAt(shown.topLeft());
    m_anchor = anchor;
    m_anchorTop = anchor.isValid() ? visualRect(anchor).top() : 0;
}

void ChangeList::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QListView::currentChanged(current, previous);
    m_revealPending = false;
    keepAnchor();
}

void ChangeList::updateGeometries()
{
    QListView::updateGeometries();
    revealSelectedRow();
}

void ChangeList::revealSelectedRow()
{
    // A long list lays its rows out over many turns; the selected row can be scrolled to
    // once its batch is laid out.
    if (m_revealPending && m_reveal.isValid() && visualRect(m_reveal).isValid()) {
        m_revealPending = false;
        scrollTo(m_reveal, PositionAtCenter);
    }
}

void ChangeList::scrollContentsBy(int dx, int dy)
{
    QListView::scrollContentsBy(dx, dy);
    keepAnchor();
}

void ChangeList::resizeEvent(QResizeEvent *event)
{
    // Rows wrap at the width: at a new one they are measured and laid out again, which
    // a top-to-bottom list does not do by itself when only its width changed (as when
    // its scroll bar comes or goes).
    const bool widthChanged = event->size().width() != event->oldSize().width();
    if (widthChanged)
        m_card->forgetAllRows();
    QListView::resizeEvent(event);
    if (widthChanged)
        scheduleDelayedItemsLayout();
}

void ChangeList::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        m_card->forgetAllRows();
    QListView::changeEvent(event);
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
        if (m_revealPending && !rows.isEmpty())
            m_reveal = m_model->index(int(rows.first()));
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
    m_revealPending = !restored.isEmpty();
    selectRowsOf(restored);
    revealSelectedRow();
    if (restored == m_selection.get())
        m_selection.set(restored);
    else
        writeSelection(restored);
}

void ChangeList::viewSelectionChanged()
{
    if (m_syncing || !m_controller)
        return;
    m_revealPending = false;
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

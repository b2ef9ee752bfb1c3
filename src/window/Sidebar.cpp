#include "window/Sidebar.h"

#include "model/RepoController.h"
#include "widgets/Fonts.h"
#include "window/FocusedValues.h"

#include <QHeaderView>
#include <QShowEvent>

namespace {

constexpr int categoryRole = Qt::UserRole + 1;
constexpr int bookmarkRole = Qt::UserRole + 2;

QTreeWidgetItem *sectionItem(const QString &title)
{
    auto *item = new QTreeWidgetItem({title});
    item->setFlags(Qt::ItemIsEnabled);
    const QFont font = fonts::sectionTitle(item->font(0));
    item->setFont(0, font);
    // Room above a section's title sets it apart from the rows before it.
    item->setSizeHint(0, QSize(0, QFontMetrics(font).height() * 2));
    item->setTextAlignment(0, Qt::AlignLeft | Qt::AlignBottom);
    return item;
}

} // namespace

platform::Binding<RepoController *> controllerBinding(RepoController *controller)
{
    const QPointer<RepoController> guarded(controller);
    return {[guarded] { return guarded.data(); }, [](RepoController *const &) {}};
}

QString Sidebar::title(ChangeCategory category)
{
    switch (category) {
    case ChangeCategory::allChanges:
        return QStringLiteral("All Changes");
    case ChangeCategory::mutableChanges:
        return QStringLiteral("Mutable Changes");
    case ChangeCategory::myChanges:
        return QStringLiteral("My Changes");
    }
    return {};
}

Sidebar::Sidebar(RepoController *controller, QWidget *parent)
    : QTreeWidget(parent), m_controller(controller), m_changes(sectionItem(tr("Changes"))),
      m_bookmarks(sectionItem(tr("Bookmarks")))
{
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setSelectionMode(SingleSelection);
    setIndentation(style()->pixelMetric(QStyle::PM_LayoutLeftMargin));
    setFrameShape(QFrame::NoFrame);
    setUniformRowHeights(false);

    addTopLevelItem(m_changes);
    addTopLevelItem(m_bookmarks);
    for (ChangeCategory category : allChangeCategories) {
        auto *row = new QTreeWidgetItem({title(category)});
        row->setData(0, categoryRole, int(category));
        m_changes->addChild(row);
    }
    expandAll();

    connect(this, &QTreeWidget::itemSelectionChanged, this, &Sidebar::rowSelectionChanged);
    if (m_controller) {
        connect(m_controller, &RepoController::repoChanged, this, &Sidebar::repoChanged);
        repoChanged();
    }
}

void Sidebar::repoChanged()
{
    const QList<Bookmark> bookmarks = m_controller->repo().bookmarks;
    const bool sameRows =
        bookmarks.size() == m_bookmarkList.size() &&
        std::equal(bookmarks.cbegin(), bookmarks.cend(), m_bookmarkList.cbegin(),
                   [](const Bookmark &a, const Bookmark &b) { return a.name == b.name; });
    m_bookmarkList = bookmarks;
    if (sameRows)
        return;
    const bool wasSyncing = std::exchange(m_syncing, true);
    qDeleteAll(m_bookmarks->takeChildren());
    for (const Bookmark &bookmark : bookmarks) {
        auto *row = new QTreeWidgetItem({bookmark.name});
        row->setData(0, bookmarkRole, bookmark.name);
        m_bookmarks->addChild(row);
    }
    m_bookmarks->setExpanded(true);
    // A bookmark that keeps its name keeps its row selected, with no reload.
    selectRow();
    m_syncing = wasSyncing;
}

std::optional<SidebarSelection> Sidebar::selectionOf(const QTreeWidgetItem *item) const
{
    if (!item)
        return std::nullopt;
    const QVariant category = item->data(0, categoryRole);
    if (category.isValid())
        return SidebarSelection::change(ChangeCategory(category.toInt()));
    const QString name = item->data(0, bookmarkRole).toString();
    for (const Bookmark &bookmark : m_bookmarkList)
        if (bookmark.name == name)
            return SidebarSelection::bookmark(bookmark);
    return std::nullopt;
}

void Sidebar::selectRow()
{
    QTreeWidgetItem *match = nullptr;
    if (m_selection) {
        for (QTreeWidgetItem *section : {m_changes, m_bookmarks})
            for (int i = 0; i < section->childCount() && !match; ++i)
                if (selectionOf(section->child(i)) == m_selection)
                    match = section->child(i);
    }
    const bool wasSyncing = std::exchange(m_syncing, true);
    clearSelection();
    if (match) {
        match->setSelected(true);
        setCurrentItem(match, 0, QItemSelectionModel::NoUpdate);
    }
    m_syncing = wasSyncing;
}

void Sidebar::rowSelectionChanged()
{
    if (m_syncing)
        return;
    const QList<QTreeWidgetItem *> rows = selectedItems();
    const std::optional<SidebarSelection> next =
        rows.isEmpty() ? std::nullopt : selectionOf(rows.first());
    if (next == m_selection)
        return;
    m_selection = next;
    selectionChanged();
}

void Sidebar::setSelection(std::optional<SidebarSelection> selection)
{
    if (selection == m_selection)
        return;
    m_selection = std::move(selection);
    selectRow();
    selectionChanged();
}

void Sidebar::selectionChanged()
{
    if (!m_controller)
        return;
    m_controller->loadChanges(
        m_selection.value_or(SidebarSelection::change(ChangeCategory::allChanges)));
}

QItemSelectionModel::SelectionFlags Sidebar::selectionCommand(const QModelIndex &index,
                                                              const QEvent *event) const
{
    if (index.isValid() && !(index.flags() & Qt::ItemIsSelectable))
        return QItemSelectionModel::NoUpdate;
    return QTreeWidget::selectionCommand(index, event);
}

QModelIndex Sidebar::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex next = QTreeWidget::moveCursor(action, modifiers);
    auto selectable = [](const QModelIndex &index) {
        return !index.isValid() || (index.flags() & Qt::ItemIsSelectable);
    };
    if (selectable(next))
        return next;
    // Past the title in the direction of travel; at the top or the bottom of the list,
    // back to the nearest row on the other side.
    const bool upwards =
        action == MoveUp || action == MovePrevious || action == MovePageUp || action == MoveEnd;
    for (const bool up : {upwards, !upwards}) {
        QModelIndex row = next;
        do
            row = up ? indexAbove(row) : indexBelow(row);
        while (!selectable(row));
        if (row.isValid())
            return row;
    }
    return currentIndex();
}

void Sidebar::publishFocusedValues()
{
    auto &values = platform::FocusedValues::instance();
    values.publishRepoController(window(), controllerBinding(m_controller));
    const QPointer<Sidebar> self(this);
    values.publishSidebarSelection(
        window(), platform::Binding<SidebarSelection>{
                      [self] {
                          const auto all = SidebarSelection::change(ChangeCategory::allChanges);
                          return self ? self->m_selection.value_or(all) : all;
                      },
                      [self](const SidebarSelection &selection) {
                          if (self)
                              self->setSelection(selection);
                      }});
}

void Sidebar::showEvent(QShowEvent *event)
{
    QTreeWidget::showEvent(event);
    if (event->spontaneous())
        return;
    emit appeared();
    publishFocusedValues();
    setSelection(SidebarSelection::change(ChangeCategory::allChanges));
    if (m_controller)
        m_controller->loadBookmarksAndRemotes();
}

#include "model/ChangeListModel.h"

#include "model/ChangeIndex.h"

#include <QDataStream>
#include <QHash>
#include <QIODevice>
#include <QMimeData>
#include <QSet>

#include <algorithm>

namespace {

const QString rowsMimeType = QStringLiteral("application/x-ostrel-change-rows");

// Beyond this many single-row moves, one layout change is cheaper for the views.
constexpr qsizetype moveLimit = 256;

struct Move {
    qsizetype from;
    qsizetype to; // the index the row has after the move
};

} // namespace

ChangeListModel::ChangeListModel(QObject *parent) : QAbstractListModel(parent)
{
    connect(&DescriptionWrites::instance(), &DescriptionWrites::written, this,
            &ChangeListModel::descriptionWritten);
}

ChangePtr ChangeListModel::changeAt(int row) const
{
    return row >= 0 && row < m_changes.size() ? m_changes.at(row) : nullptr;
}

int ChangeListModel::rowOf(const Change *change) const
{
    for (qsizetype i = 0; i < m_changes.size(); ++i)
        if (m_changes.at(i).get() == change)
            return int(i);
    return -1;
}

int ChangeListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_changes.size());
}

QVariant ChangeListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const ChangePtr &change = m_changes.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return change->description();
    case ChangeRole:
        return QVariant::fromValue(change.get());
    default:
        return {};
    }
}

Qt::ItemFlags ChangeListModel::flags(const QModelIndex &index) const
{
    // Rows are dropped between rows, never onto one.
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled |
           Qt::ItemNeverHasChildren;
}

void ChangeListModel::descriptionWritten(Change *change)
{
    // A record no longer listed is no row of this list.
    const int row = rowOf(change);
    if (row >= 0)
        emit dataChanged(index(row), index(row), {Qt::DisplayRole});
}

void ChangeListModel::setChanges(const QList<ChangePtr> &changes)
{
    if (changes == m_changes)
        return;
    if (changes.size() > m_changes.size() && applyPrepend(changes))
        return;
    if (changes.size() < m_changes.size() && applyRemovals(changes))
        return;
    if (changes.size() == m_changes.size() && (applyMoves(changes) || applySameIds(changes)))
        return;
    beginResetModel();
    m_changes = changes;
    endResetModel();
}

bool ChangeListModel::applyPrepend(const QList<ChangePtr> &changes)
{
    const qsizetype added = changes.size() - m_changes.size();
    if (!std::equal(m_changes.cbegin(), m_changes.cend(), changes.cbegin() + added))
        return false;
    beginInsertRows(QModelIndex(), 0, int(added - 1));
    m_changes = changes;
    endInsertRows();
    return true;
}

bool ChangeListModel::applyRemovals(const QList<ChangePtr> &changes)
{
    // Runs of removed rows, top to bottom, when the new list is the old one with rows
    // left out.
    QList<std::pair<qsizetype, qsizetype>> runs;
    qsizetype kept = 0;
    for (qsizetype i = 0; i < m_changes.size(); ++i) {
        if (kept < changes.size() && m_changes.at(i) == changes.at(kept)) {
            ++kept;
            continue;
        }
        if (!runs.isEmpty() && runs.last().second == i - 1)
            runs.last().second = i;
        else
            runs.append({i, i});
    }
    if (kept != changes.size())
        return false;
    for (auto run = runs.crbegin(); run != runs.crend(); ++run) {
        const auto [first, last] = *run;
        beginRemoveRows(QModelIndex(), int(first), int(last));
        m_changes.remove(first, last - first + 1);
        endRemoveRows();
    }
    m_changes = changes;
    return true;
}

bool ChangeListModel::applyMoves(const QList<ChangePtr> &changes)
{
    const qsizetype count = changes.size();
    qsizetype begin = 0;
    while (begin < count && changes.at(begin) == m_changes.at(begin))
        ++begin;
    qsizetype end = count;
    while (end > begin && changes.at(end - 1) == m_changes.at(end - 1))
        --end;

    QHash<const Change *, qsizetype> target;
    target.reserve(end - begin);
    for (qsizetype i = begin; i < end; ++i)
        target.insert(changes.at(i).get(), i);
    if (target.size() != end - begin)
        return false;
    for (qsizetype i = begin; i < end; ++i)
        if (!target.contains(m_changes.at(i).get()))
            return false;

    // Plans single-row moves on a scratch copy: a row that sits where its neighbour
    // belongs is pushed down in front of the row that follows it in the new order;
    // otherwise the row that belongs here is pulled up.
    QList<ChangePtr> scratch = m_changes;
    QList<Move> moves;
    for (qsizetype i = begin; i < end && moves.size() <= moveLimit; ++i) {
        if (scratch.at(i) == changes.at(i))
            continue;
        if (i + 1 < end && scratch.at(i + 1) == changes.at(i)) {
            const qsizetype goal = target.value(scratch.at(i).get());
            qsizetype before = end;
            if (goal + 1 < end) {
                const ChangePtr &successor = changes.at(goal + 1);
                before = std::find(scratch.cbegin() + i + 1, scratch.cbegin() + end, successor) -
                         scratch.cbegin();
            }
            moves.append({i, before - 1});
        } else {
            const qsizetype from =
                std::find(scratch.cbegin() + i + 1, scratch.cbegin() + end, changes.at(i)) -
                scratch.cbegin();
            moves.append({from, i});
        }
        scratch.move(moves.last().from, moves.last().to);
    }

    if (moves.size() > moveLimit) {
        const QModelIndexList persistent = persistentIndexList();
        emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
        QModelIndexList updated;
        updated.reserve(persistent.size());
        for (const QModelIndex &index : persistent)
            updated.append(
                this->index(int(target.value(m_changes.at(index.row()).get(), index.row()))));
        m_changes = changes;
        changePersistentIndexList(persistent, updated);
        emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
        return true;
    }

    for (const Move &move : moves) {
        const int destination = int(move.to > move.from ? move.to + 1 : move.to);
        beginMoveRows(QModelIndex(), int(move.from), int(move.from), QModelIndex(), destination);
        m_changes.move(move.from, move.to);
        endMoveRows();
    }
    m_changes = changes;
    return true;
}

bool ChangeListModel::applySameIds(const QList<ChangePtr> &changes)
{
    // A reload that found the same changes in the same order: the rows stay, with the
    // new records' texts. Only the rows whose text differs are told; most keep theirs.
    const qsizetype count = changes.size();
    for (qsizetype i = 0; i < count; ++i)
        if (!namesSameChange(changes.at(i)->changeId(), m_changes.at(i)->changeId()))
            return false;
    const QList<ChangePtr> before = std::exchange(m_changes, changes);
    const auto sameText = [&](qsizetype row) {
        return before.at(row) == m_changes.at(row) ||
               before.at(row)->description() == m_changes.at(row)->description();
    };
    for (qsizetype first = 0; first < count; ++first) {
        if (sameText(first))
            continue;
        qsizetype last = first;
        while (last + 1 < count && !sameText(last + 1))
            ++last;
        emit dataChanged(index(int(first)), index(int(last)), {Qt::DisplayRole});
        first = last;
    }
    return true;
}

Qt::DropActions ChangeListModel::supportedDragActions() const
{
    return Qt::MoveAction;
}

Qt::DropActions ChangeListModel::supportedDropActions() const
{
    return Qt::MoveAction;
}

QStringList ChangeListModel::mimeTypes() const
{
    return {rowsMimeType};
}

QMimeData *ChangeListModel::mimeData(const QModelIndexList &indexes) const
{
    QList<qsizetype> rows;
    for (const QModelIndex &index : indexes)
        if (index.isValid() && index.model() == this && !rows.contains(index.row()))
            rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    // The changes, not their rows: a reload before the drop may list them elsewhere.
    // The commit tells the rows of a divergent change apart.
    QStringList ids;
    QStringList commits;
    for (qsizetype row : std::as_const(rows)) {
        const Change &change = *m_changes.at(row);
        ids.append(change.changeId());
        commits.append(change.isDivergent() ? change.commitHash() : QString());
    }
    QByteArray payload;
    QDataStream stream(&payload, QIODevice::WriteOnly);
    // The model's address ties the changes to the list they came from.
    stream << quint64(reinterpret_cast<quintptr>(this)) << ids << commits;
    auto *data = new QMimeData;
    data->setData(rowsMimeType, payload);
    return data;
}

std::optional<ChangeListModel::Dragged> ChangeListModel::decodeChanges(const QMimeData *data) const
{
    if (!data || !data->hasFormat(rowsMimeType))
        return std::nullopt;
    QByteArray payload = data->data(rowsMimeType);
    QDataStream stream(&payload, QIODevice::ReadOnly);
    quint64 source = 0;
    Dragged dragged;
    stream >> source >> dragged.ids >> dragged.commits;
    if (stream.status() != QDataStream::Ok || source != quint64(reinterpret_cast<quintptr>(this)) ||
        dragged.ids.isEmpty() || dragged.ids.size() != dragged.commits.size())
        return std::nullopt;
    return dragged;
}

bool ChangeListModel::canDropMimeData(const QMimeData *data, Qt::DropAction action, int, int column,
                                      const QModelIndex &parent) const
{
    return action == Qt::MoveAction && column <= 0 && !parent.isValid() && decodeChanges(data);
}

bool ChangeListModel::dropMimeData(const QMimeData *data, Qt::DropAction action, int row,
                                   int column, const QModelIndex &parent)
{
    if (!canDropMimeData(data, action, row, column, parent))
        return false;
    // The rows of the dragged changes as the list stands at the drop.
    const Dragged dragged = *decodeChanges(data);
    const ChangeIndex index(m_changes);
    QList<qsizetype> rows;
    for (qsizetype i = 0; i < dragged.ids.size(); ++i)
        if (const qsizetype found = index.find(dragged.ids.at(i), dragged.commits.at(i));
            found >= 0 && !rows.contains(found))
            rows.append(found);
    if (rows.isEmpty())
        return false;
    std::sort(rows.begin(), rows.end());
    const qsizetype destination = row < 0 ? m_changes.size() : row;
    // Rows dropped back where they stand: nothing to move and nothing to rebase.
    const bool contiguous = rows.last() - rows.first() + 1 == rows.size();
    if (contiguous && destination >= rows.first() && destination <= rows.last() + 1)
        return false;
    emit moveRequested(rows, destination);
    return true;
}

#pragma once

#include "model/Change.h"

#include <QAbstractListModel>
#include <QList>
#include <QStringList>

// The rows of the change list: one per change, showing its description. The list is
// handed over whole; the model tells its views what changed with the least it can:
// rows removed, rows inserted at the top, rows moved, texts changed, and a reset only
// for a list that really was replaced.
class ChangeListModel : public QAbstractListModel {
    Q_OBJECT

public:
    static constexpr int ChangeRole = Qt::UserRole + 1;

    explicit ChangeListModel(QObject *parent = nullptr);

    const QList<ChangePtr> &changes() const { return m_changes; }
    void setChanges(const QList<ChangePtr> &changes);
    ChangePtr changeAt(int row) const;
    // The row of the record, or -1.
    int rowOf(const Change *change) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Rows are dragged only within the list that holds them, and only as a move.
    Qt::DropActions supportedDragActions() const override;
    Qt::DropActions supportedDropActions() const override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    bool canDropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                         const QModelIndex &parent) const override;
    bool dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                      const QModelIndex &parent) override;

signals:
    // Rows were dropped in front of the row at `destination` (the row count meaning
    // below the last row). The rows themselves do not move here.
    void moveRequested(const QList<qsizetype> &sourceOffsets, qsizetype destination);

private:
    void descriptionWritten(Change *change);
    bool applyPrepend(const QList<ChangePtr> &changes);
    bool applyRemovals(const QList<ChangePtr> &changes);
    bool applyMoves(const QList<ChangePtr> &changes);
    bool applySameIds(const QList<ChangePtr> &changes);
    // The dragged changes, when they came from this list: ids, and the commits that tell
    // the rows of a divergent change apart (empty for the others).
    struct Dragged {
        QStringList ids;
        QStringList commits;
    };
    std::optional<Dragged> decodeChanges(const QMimeData *data) const;

    QList<ChangePtr> m_changes;
};

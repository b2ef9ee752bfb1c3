#pragma once

#include "model/ChangeSet.h"
#include "window/Binding.h"

#include <QListView>
#include <QPersistentModelIndex>
#include <QPointer>

class Card;
class ChangeListModel;
class MeasuredCard;
class QAction;
class QMenu;
class RepoController;
class SheetPresenter;

// The middle column of a repository window: the repository's changes, with multiple
// selection. The selection is the window's; the list mirrors it into the model and
// loads one selected change's details and diff. Rows carry a context menu and can be
// dragged to rebase the changes they show.
class ChangeList : public QListView {
    Q_OBJECT

public:
    ChangeList(RepoController *controller, platform::Binding<ChangeSet> selection,
               QWidget *parent = nullptr);

    ChangeListModel *changeModel() const { return m_model; }
    Card *card() const;
    // The list's own sheet state, apart from the window's.
    SheetPresenter *sheetPresenter() const { return m_sheets; }
    QMenu *contextMenu() const { return m_menu; }
    QAction *editDescriptionAction() const { return m_editDescription; }
    QAction *removeChangeAction() const { return m_removeChange; }

    // Lays the rows out again: at once when nearly every row's height is known, keeping
    // the row the user looks at where it stands; otherwise in batches, a few thousand
    // rows per turn of the event loop.
    void doItemsLayout() override;

signals:
    // The column came into view or left it.
    void shown();
    void hidden();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void updateGeometries() override;

private:
    void repoChanged();
    void restoreSelection();
    void selectRowsOf(const ChangeSet &changes);
    void viewSelectionChanged();
    void writeSelection(const ChangeSet &selection);
    void showContextMenu(const QPoint &position);
    void keepAnchor();
    void revealSelectedRow();

    QPointer<RepoController> m_controller;
    platform::Binding<ChangeSet> m_selection;
    ChangeListModel *m_model;
    MeasuredCard *m_card;
    SheetPresenter *m_sheets;
    QMenu *m_menu;
    QAction *m_editDescription;
    QAction *m_removeChange;
    // Set while the list itself changes the view's selection, which is then no choice
    // of the user's.
    bool m_syncing = false;
    // The row the user looks at, and where it stood in the viewport: the current row
    // when it is in view, otherwise the top one.
    QPersistentModelIndex m_anchor;
    int m_anchorTop = 0;
    bool m_layingOut = false;
    // The first selected row, brought into view once the list shows and that row has
    // its place, unless the user moves first.
    bool m_revealPending = false;
    QPersistentModelIndex m_reveal;
};

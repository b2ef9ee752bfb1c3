#pragma once

#include "model/Bookmark.h"
#include "model/SidebarSelection.h"
#include "window/Binding.h"

#include <QPointer>
#include <QTreeWidget>

#include <optional>

class RepoController;

// The window's controller as the menus see it: read only.
platform::Binding<RepoController *> controllerBinding(RepoController *controller);

// The first column of a repository window: what the change list shows, the three
// change categories and the repository's bookmarks, one row selected at a time. Each
// real change of the selection reloads the list; appearing selects All Changes and
// loads the bookmark list, then the remote list.
class Sidebar : public QTreeWidget {
    Q_OBJECT

public:
    explicit Sidebar(RepoController *controller, QWidget *parent = nullptr);

    std::optional<SidebarSelection> selection() const { return m_selection; }
    // Selects the row of the value; a value other than the current one reloads the list.
    void setSelection(std::optional<SidebarSelection> selection);

    QTreeWidgetItem *changesSection() const { return m_changes; }
    QTreeWidgetItem *bookmarksSection() const { return m_bookmarks; }

    // The title a category's row shows.
    static QString title(ChangeCategory category);

signals:
    // The column came into view, before the sidebar's own work on appearing.
    void appeared();

protected:
    void showEvent(QShowEvent *event) override;
    // A section's title is no list: clicking it leaves the selection as it is, and the
    // arrow keys pass over it.
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex &index,
                                                         const QEvent *event) const override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;

private:
    void repoChanged();
    void rowSelectionChanged();
    void selectRow();
    void selectionChanged();
    void publishFocusedValues();
    std::optional<SidebarSelection> selectionOf(const QTreeWidgetItem *item) const;

    QPointer<RepoController> m_controller;
    std::optional<SidebarSelection> m_selection;
    QList<Bookmark> m_bookmarkList;
    QTreeWidgetItem *m_changes;
    QTreeWidgetItem *m_bookmarks;
    bool m_syncing = false;
};

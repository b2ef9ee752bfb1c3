#pragma once

#include "model/ChangeSet.h"

#include <QMainWindow>
#include <QPointer>
#include <QTimer>

class AsyncButton;
class ChangeList;
class ChangeView;
class QSplitter;
class QToolButton;
class RepoController;
class SheetPresenter;
class Sidebar;

// The root of every repository window: the sidebar, the change list and the selected
// change's details side by side, the toolbar, the window's dialogs, and a refresh of the
// selected changes' diffs every five seconds.
class RepoView : public QMainWindow {
    Q_OBJECT

public:
    explicit RepoView(RepoController *controller, QWidget *parent = nullptr);
    ~RepoView() override;
    RepoController *controller() const;

    // The rows selected in the change list, shared with it.
    ChangeSet selection() const { return m_selection; }

    Sidebar *sidebar() const { return m_sidebar; }
    ChangeList *changeList() const { return m_changeList; }
    ChangeView *changeView() const { return m_changeView; }
    QSplitter *splitter() const { return m_splitter; }
    SheetPresenter *sheetPresenter() const { return m_sheets; }
    QTimer *refreshTimer() const { return m_timer; }

    // The toolbar's controls, in toolbar order.
    QList<QToolButton *> toolbarButtons() const;
    AsyncButton *addChangeButton() const { return m_addChange; }
    AsyncButton *pullButton() const { return m_pull; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildToolbar();
    void setSelection(const ChangeSet &selection);
    void publishFocusedValues();

    QPointer<RepoController> m_controller;
    ChangeSet m_selection;
    Sidebar *m_sidebar;
    ChangeList *m_changeList;
    ChangeView *m_changeView;
    QSplitter *m_splitter;
    SheetPresenter *m_sheets;
    QTimer *m_timer;
    AsyncButton *m_addChange = nullptr;
    AsyncButton *m_pull = nullptr;
    QList<QToolButton *> m_buttons;
};

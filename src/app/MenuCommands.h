#pragma once

#include "dialogs/Sheet.h"
#include "window/FocusedValues.h"

#include <QCoro/QCoroTask>
#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QString>

#include <optional>

class QAction;
class QMenu;
class QMenuBar;
class RepoController;

// A top-level menu of the menu bar whose items act on the active repository window.
// Every window's menu bar gets its own menu built on the one set of items, so the
// items' states and shortcuts are the same wherever they show.
class MenuCommands : public QObject {
    Q_OBJECT

public:
    QString title() const { return m_title; }
    // The items in menu order; dividers are separator actions.
    const QList<QAction *> &items() const { return m_items; }

    QMenu *addMenu(QMenuBar *menuBar) const;

    // The active repository window's controller, or none.
    static RepoController *focusedController();
    // Asks the active window to show the dialog; nothing without a window.
    static void showSheet(Sheet sheet);

protected:
    MenuCommands(const QString &title, QObject *parent);

    QAction *addItem(const QString &text, const QKeySequence &shortcut = {});
    void addDivider();

private:
    QString m_title;
    QList<QAction *> m_items;
};

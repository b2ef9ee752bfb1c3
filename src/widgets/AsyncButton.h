#pragma once

#include "widgets/AsyncRunner.h"

#include <QWidget>

class QAbstractButton;
class QAction;
class BusyIndicator;

// A button whose action is asynchronous: disabled, with a small busy indicator before
// its label, while the action runs.
class AsyncButton : public QWidget {
    Q_OBJECT

public:
    // Wraps the given button (a plain push button when none is given).
    AsyncButton(const QString &label, AsyncRunner::Action action, QWidget *parent = nullptr,
                QAbstractButton *button = nullptr);

    QAbstractButton *button() const { return m_button; }
    AsyncRunner *runner() const { return m_runner; }

private:
    void updateState();

    AsyncRunner *m_runner;
    QAbstractButton *m_button;
    BusyIndicator *m_indicator;
};

// A menu item that shares the button's logic: disabled while its own action runs.
class AsyncMenuAction : public QObject {
    Q_OBJECT

public:
    AsyncMenuAction(QAction *action, AsyncRunner::Action work);
    AsyncRunner *runner() const { return m_runner; }
    // Menus may disable the item for reasons of their own too.
    void setAvailable(bool available);

private:
    void updateState();

    QAction *m_action;
    AsyncRunner *m_runner;
    bool m_available = true;
};

#pragma once

#include "dialogs/Sheet.h"

#include <QDialog>
#include <QObject>
#include <QPointer>

#include <functional>
#include <optional>

class QWidget;
class RepoController;

// The sheet state of one presenter (a window, the change list, a picker): while it
// holds a value, the dialog for that value is shown window-modal over the presenter;
// when the dialog closes, the state is cleared.
class SheetPresenter : public QObject {
    Q_OBJECT

public:
    SheetPresenter(QWidget *presenter, std::function<RepoController *()> controller);

    std::optional<Sheet> sheet() const { return m_sheet; }
    // Presents a fresh dialog for the value (replacing another one that is shown), or
    // closes the shown dialog when given nothing. The value already shown changes
    // nothing.
    void setSheet(std::optional<Sheet> sheet);
    QDialog *dialog() const { return m_dialog; }

signals:
    void sheetChanged();

private:
    QWidget *m_presenter;
    std::function<RepoController *()> m_controller;
    std::optional<Sheet> m_sheet;
    QPointer<QDialog> m_dialog;
};

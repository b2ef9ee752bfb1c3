#pragma once

#include "dialogs/DialogFrame.h"

#include <QPointer>

class QPlainTextEdit;
class RepoController;

// Commits the working copy with the typed message.
class AddChangeView : public DialogFrame {
    Q_OBJECT

public:
    explicit AddChangeView(QPointer<RepoController> controller, QWidget *parent = nullptr);

    QPlainTextEdit *editor() const { return m_changeDescription; }

protected:
    QCoro::Task<> action() override;

private:
    QPointer<RepoController> m_controller;
    QPlainTextEdit *m_changeDescription;
};

#pragma once

#include "dialogs/DialogFrame.h"

#include <QPointer>

class QPlainTextEdit;
class RepoController;

// Edits the description of the first selected change of the window's repository and
// saves it with jj.
class EditDescriptionView : public DialogFrame {
    Q_OBJECT

public:
    explicit EditDescriptionView(QPointer<RepoController> controller, QWidget *parent = nullptr);

    QPlainTextEdit *editor() const { return m_editor; }

protected:
    void showEvent(QShowEvent *event) override;
    QCoro::Task<> action() override;

private:
    // Fills the editor from the description jj holds; until then nothing can be edited
    // or saved. A description that cannot be had closes the dialog.
    QCoro::Task<> loadDescription();

    // Reads the repository only; it writes the change record, which the model shares.
    QPointer<RepoController> m_controller;
    QPlainTextEdit *m_editor;
    bool m_loaded = false;
};

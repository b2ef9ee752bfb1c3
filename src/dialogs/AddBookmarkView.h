#pragma once

#include "dialogs/DialogFrame.h"

#include <QPointer>

class QLineEdit;
class RepoController;

// Creates a bookmark with the typed name and makes it the current bookmark.
class AddBookmarkView : public DialogFrame {
    Q_OBJECT

public:
    explicit AddBookmarkView(QPointer<RepoController> controller, QWidget *parent = nullptr);

    QLineEdit *nameField() const { return m_name; }

protected:
    QCoro::Task<> action() override;

private:
    QPointer<RepoController> m_controller;
    QLineEdit *m_name;
};

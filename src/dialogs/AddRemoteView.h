#pragma once

#include "dialogs/DialogFrame.h"

#include <QPointer>

class QLineEdit;
class RepoController;

// Adds a git remote with the typed name and location and makes it the current remote.
class AddRemoteView : public DialogFrame {
    Q_OBJECT

public:
    explicit AddRemoteView(QPointer<RepoController> controller, QWidget *parent = nullptr);

    QLineEdit *nameField() const { return m_name; }
    QLineEdit *locationField() const { return m_location; }

protected:
    QCoro::Task<> action() override;

private:
    QPointer<RepoController> m_controller;
    QLineEdit *m_name;
    QLineEdit *m_location;
};

#pragma once

#include "dialogs/Picker.h"

// The push dialog's remote picker, titled by the current remote. Remotes without a
// name are not listed.
class RemoteMenu : public Picker {
    Q_OBJECT

public:
    explicit RemoteMenu(QPointer<RepoController> controller, QWidget *parent = nullptr);

    // The add-remote dialog is shown over the push dialog.
    bool addingRemote() const;

protected:
    QString title(const Repo &repo) const override;
    QList<Item> items(const Repo &repo) const override;
};

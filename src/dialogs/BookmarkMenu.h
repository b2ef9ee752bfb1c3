#pragma once

#include "dialogs/Picker.h"

// The push dialog's bookmark picker, titled by the current bookmark.
class BookmarkMenu : public Picker {
    Q_OBJECT

public:
    explicit BookmarkMenu(QPointer<RepoController> controller, QWidget *parent = nullptr);

    // The add-bookmark dialog is shown over the push dialog.
    bool addingBookmark() const;

protected:
    QString title(const Repo &repo) const override;
    QList<Item> items(const Repo &repo) const override;
};

#pragma once

#include "dialogs/Sheet.h"

#include <QPointer>
#include <QWidget>

#include <functional>

class QMenu;
class QPushButton;
class RepoController;
class SheetPresenter;
struct Repo;

// One row of the push dialog: a caption and a pull-down menu titled by the current
// choice. The menu's first item opens an add dialog over the push dialog; the others
// make their entry the current one.
class Picker : public QWidget {
    Q_OBJECT

public:
    QPushButton *menuButton() const { return m_button; }
    QMenu *menu() const { return m_menu; }
    SheetPresenter *addSheet() const { return m_addSheet; }

protected:
    struct Item {
        QString name;
        // Writes the entry into the repository as the current one.
        std::function<void(Repo &)> choose;
    };

    Picker(QPointer<RepoController> controller, const QString &caption, const QString &addTitle,
           Sheet addSheet, QWidget *parent);

    // Titles the button and fills the menu from the repository as it stands. Called
    // from the subclass's constructor, once its overrides can answer.
    void rebuildMenu();

    virtual QString title(const Repo &repo) const = 0;
    virtual QList<Item> items(const Repo &repo) const = 0;

private:
    QPointer<RepoController> m_controller;
    QString m_addTitle;
    Sheet m_addSheetValue;
    QPushButton *m_button;
    QMenu *m_menu;
    SheetPresenter *m_addSheet;
};

// A model text as a menu or button shows it: an ampersand is no mnemonic.
QString plainMenuText(QString text);

#include "dialogs/Picker.h"

#include "dialogs/SheetPresenter.h"
#include "model/RepoController.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

QString plainMenuText(QString text)
{
    return text.replace(QLatin1Char('&'), QLatin1String("&&"));
}

Picker::Picker(QPointer<RepoController> controller, const QString &caption, const QString &addTitle,
               Sheet addSheet, QWidget *parent)
    : QWidget(parent), m_controller(std::move(controller)), m_addTitle(addTitle),
      m_addSheetValue(addSheet), m_button(new QPushButton), m_menu(new QMenu(this)),
      m_addSheet(new SheetPresenter(this, [this] { return m_controller.data(); }))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(QMargins());
    auto *label = new QLabel(caption);
    label->setTextFormat(Qt::PlainText);
    layout->addStretch(1);
    layout->addWidget(label);
    layout->addWidget(m_button);
    layout->addStretch(1);
    m_button->setAutoDefault(false);
    setFocusProxy(m_button);
    m_button->setMenu(m_menu);

    if (m_controller)
        connect(m_controller, &RepoController::repoChanged, this, &Picker::rebuildMenu);
}

void Picker::rebuildMenu()
{
    const Repo repo = m_controller ? m_controller->repo() : Repo();
    m_button->setText(plainMenuText(title(repo)));
    m_menu->clear();
    connect(m_menu->addAction(m_addTitle), &QAction::triggered, this,
            [this] { m_addSheet->setSheet(m_addSheetValue); });
    for (Item &item : items(repo)) {
        QAction *action = m_menu->addAction(plainMenuText(item.name));
        // Always a write that notifies, even for the entry that is current already.
        connect(action, &QAction::triggered, this, [this, choose = std::move(item.choose)] {
            if (m_controller)
                m_controller->modifyRepo(choose);
        });
    }
}

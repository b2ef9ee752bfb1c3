#include "dialogs/AddBookmarkView.h"

#include "model/RepoController.h"

#include <QLineEdit>

AddBookmarkView::AddBookmarkView(QPointer<RepoController> controller, QWidget *parent)
    : DialogFrame(tr("Enter a name for the new bookmark"), tr("Add Bookmark"), parent),
      m_controller(std::move(controller)), m_name(makeTextField(tr("Bookmark Name: ")))
{
    addInput(m_name);
}

QCoro::Task<> AddBookmarkView::action()
{
    QPointer<AddBookmarkView> self(this);
    const QPointer<RepoController> controller = m_controller;
    const QString name = m_name->text();
    if (controller)
        co_await controller->addCurrentBookmark(name);
    if (self)
        self->dismiss();
}

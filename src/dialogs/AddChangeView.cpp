#include "dialogs/AddChangeView.h"

#include "model/RepoController.h"

#include <QPlainTextEdit>

AddChangeView::AddChangeView(QPointer<RepoController> controller, QWidget *parent)
    : DialogFrame(tr("Enter a description of what changed"), tr("Commit Change"), parent),
      m_controller(std::move(controller)), m_changeDescription(makeTextEditor())
{
    addInput(m_changeDescription);
}

QCoro::Task<> AddChangeView::action()
{
    QPointer<AddChangeView> self(this);
    const QPointer<RepoController> controller = m_controller;
    const QString description = editorText(m_changeDescription);
    if (controller)
        co_await controller->commit(description);
    if (self)
        self->dismiss();
}

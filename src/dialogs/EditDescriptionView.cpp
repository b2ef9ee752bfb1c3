#include "dialogs/EditDescriptionView.h"

#include "model/RepoController.h"

#include <QPlainTextEdit>

EditDescriptionView::EditDescriptionView(QPointer<RepoController> controller, QWidget *parent)
    : DialogFrame(tr("Enter the change description"), tr("Update Description"), parent),
      m_controller(std::move(controller)), m_editor(makeTextEditor())
{
    addInput(m_editor);
}

void EditDescriptionView::showEvent(QShowEvent *event)
{
    DialogFrame::showEvent(event);
    // Filled once, when the dialog first comes on screen; from then on the text is
    // the user's.
    if (!m_loaded) {
        m_loaded = true;
        loadDescription();
    }
}

void EditDescriptionView::loadDescription()
{
    const ChangePtr change = m_controller ? m_controller->repo().selectedChanges.first() : nullptr;
    setEditorText(m_editor, change ? change->description() : QString());
}

QCoro::Task<> EditDescriptionView::action()
{
    QPointer<EditDescriptionView> self(this);
    const QPointer<RepoController> controller = m_controller;
    const QString text = editorText(m_editor);
    if (controller)
        co_await controller->describeFirstSelected(text);
    if (self)
        self->dismiss();
}

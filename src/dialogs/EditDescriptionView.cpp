#include "dialogs/EditDescriptionView.h"

#include "model/RepoController.h"
#include "widgets/AsyncButton.h"

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

QCoro::Task<> EditDescriptionView::loadDescription()
{
    QPointer<EditDescriptionView> self(this);
    const QPointer<RepoController> controller = m_controller;
    m_editor->setEnabled(false);
    actionButton()->setEnabled(false);
    // Not a conditional expression: GCC 12 destroys a co_await result inside one twice.
    std::optional<QString> text;
    if (controller)
        text = co_await controller->loadFirstSelectedDescription();
    if (!self)
        co_return;
    if (!text) {
        dismiss();
        co_return;
    }
    setEditorText(m_editor, *text);
    m_editor->setEnabled(true);
    actionButton()->setEnabled(true);
    m_editor->setFocus();
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

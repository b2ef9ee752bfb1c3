#include "dialogs/CloneView.h"

#include "dialogs/WindowOpener.h"
#include "model/Repo.h"

#include <QLineEdit>
#include <QPointer>

CloneView::CloneView(QWidget *parent)
    : DialogFrame(tr("Clone Repository"), tr("Clone"), parent),
      m_repoLocation(makeTextField(tr("Location of repository to clone")))
{
    addInput(m_repoLocation);
}

platform::SavePanelOptions CloneView::makeSavePanel()
{
    platform::SavePanelOptions options;
    options.title = tr("Choose a location to clone the repo on your Mac");
    options.prompt = tr("Clone");
    options.nameFieldLabel = tr("Repository Location:");
    return options;
}

QCoro::Task<> CloneView::action()
{
    QPointer<CloneView> self(this);
    co_await chooseLocationAndClone(m_repoLocation->text(), QPointer<QWidget>(this));
    if (self)
        self->dismiss();
}

QCoro::Task<> CloneView::chooseLocationAndClone(QString source, QPointer<QWidget> panelParent)
{
    const std::optional<QUrl> destination =
        co_await platform::runSavePanel(makeSavePanel(), panelParent.data());
    if (!destination || destination->isEmpty())
        co_return;
    co_await Repo::clone(std::move(source), *destination);
    // Opened after a failed clone too: its loads then find nothing and say nothing.
    openRepositoryWindow(*destination);
}

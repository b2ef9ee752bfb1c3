#include "dialogs/Panels.h"

#include "dialogs/ModalParent.h"

#include <QCoro/QCoroSignal>
#include <QFileDialog>
#include <QPointer>

namespace platform {

namespace {
SavePanelHook &saveHook()
{
    static SavePanelHook hook;
    return hook;
}
FolderPanelHook &folderHook()
{
    static FolderPanelHook hook;
    return hook;
}
} // namespace

void setSavePanelHook(SavePanelHook hook)
{
    saveHook() = std::move(hook);
}
void setFolderPanelHook(FolderPanelHook hook)
{
    folderHook() = std::move(hook);
}

QCoro::Task<std::optional<QUrl>> runSavePanel(SavePanelOptions options, QWidget *parent)
{
    if (saveHook())
        co_return saveHook()(options);

    QPointer<QFileDialog> dialog = new QFileDialog(modalParent(parent), options.title);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setOption(QFileDialog::ReadOnly, !options.canCreateDirectories);
    dialog->setLabelText(QFileDialog::Accept, options.prompt);
    dialog->setLabelText(QFileDialog::FileName, options.nameFieldLabel);
    dialog->open();
    // Deleted only after the answer is read: a dialog that deletes itself on closing
    // is gone before the queued resumption reaches it, and this never resumes.
    const int result = co_await qCoro(dialog.data(), &QFileDialog::finished);
    if (!dialog)
        co_return std::nullopt;
    dialog->deleteLater();
    if (result != QDialog::Accepted || dialog->selectedUrls().isEmpty())
        co_return std::nullopt;
    co_return dialog->selectedUrls().constFirst();
}

QCoro::Task<FolderChoice> runFolderPanel(QWidget *parent)
{
    if (folderHook())
        co_return folderHook()();

    QPointer<QFileDialog> dialog = new QFileDialog(modalParent(parent));
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly, true);
    dialog->open();
    const int result = co_await qCoro(dialog.data(), &QFileDialog::finished);
    if (!dialog)
        co_return FolderChoice{};
    dialog->deleteLater();
    if (result != QDialog::Accepted || dialog->selectedUrls().isEmpty())
        co_return FolderChoice{};
    co_return FolderChoice{dialog->selectedUrls().constFirst(), QString()};
}

} // namespace platform

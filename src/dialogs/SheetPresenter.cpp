#include "dialogs/SheetPresenter.h"

#include "dialogs/SheetView.h"

SheetPresenter::SheetPresenter(QWidget *presenter, std::function<RepoController *()> controller)
    : QObject(presenter), m_presenter(presenter), m_controller(std::move(controller))
{}

void SheetPresenter::setSheet(std::optional<Sheet> sheet)
{
    if (sheet == m_sheet)
        return;
    if (m_dialog) {
        QDialog *old = m_dialog;
        m_dialog = nullptr;
        old->disconnect(this);
        old->close();
    }
    m_sheet = sheet;
    if (m_sheet) {
        QDialog *dialog = makeSheetView(*m_sheet, m_controller(), m_presenter);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setWindowModality(Qt::WindowModal);
        connect(dialog, &QDialog::finished, this, [this, dialog] {
            if (m_dialog == dialog) {
                m_dialog = nullptr;
                m_sheet.reset();
                emit sheetChanged();
            }
        });
        m_dialog = dialog;
        dialog->open();
    }
    emit sheetChanged();
}

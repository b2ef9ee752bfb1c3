#pragma once

#include "dialogs/DialogFrame.h"

#include "dialogs/Panels.h"

#include <QUrl>

class QLineEdit;

// Clones a repository into a folder chosen in a save panel and opens a window for the
// folder. It belongs to no window's repository, so it runs jj itself, in "/".
class CloneView : public DialogFrame {
    Q_OBJECT

public:
    explicit CloneView(QWidget *parent = nullptr);

    QLineEdit *locationField() const { return m_repoLocation; }

    static platform::SavePanelOptions makeSavePanel();

protected:
    QCoro::Task<> action() override;

private:
    // Clones and opens the window; nothing when the panel is cancelled.
    static QCoro::Task<> chooseLocationAndClone(QString source, QPointer<QWidget> panelParent);

    QLineEdit *m_repoLocation;
};

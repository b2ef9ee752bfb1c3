#pragma once

#include <QObject>

class QAction;

namespace platform {
class Updater;
}

// The "Check for Updates…" command: enabled exactly while the updater says a check
// may run.
class UpdaterView : public QObject {
    Q_OBJECT

public:
    explicit UpdaterView(platform::Updater *updaterViewModel, QObject *parent = nullptr);

    QAction *item() const { return m_checkForUpdates; }

private:
    platform::Updater *m_updaterViewModel;
    QAction *m_checkForUpdates;
};

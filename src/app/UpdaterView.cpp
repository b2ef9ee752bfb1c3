#include "app/UpdaterView.h"

#include "app/Updater.h"

#include <QAction>

UpdaterView::UpdaterView(platform::Updater *updaterViewModel, QObject *parent)
    : QObject(parent), m_updaterViewModel(updaterViewModel),
      m_checkForUpdates(new QAction(tr("Check for Updates…"), this))
{
    m_checkForUpdates->setMenuRole(QAction::ApplicationSpecificRole);
    m_checkForUpdates->setEnabled(m_updaterViewModel->canCheckForUpdates());
    connect(m_updaterViewModel, &platform::Updater::canCheckForUpdatesChanged, m_checkForUpdates,
            &QAction::setEnabled);
    connect(m_checkForUpdates, &QAction::triggered, m_updaterViewModel,
            [updater = m_updaterViewModel] { updater->checkForUpdates(); });
}

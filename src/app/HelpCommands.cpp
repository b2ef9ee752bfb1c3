#include "app/HelpCommands.h"

#include "model/Alert.h"

#include <QAction>
#include <QDesktopServices>

namespace {
HelpMenu::UrlOpener &urlOpener()
{
    static HelpMenu::UrlOpener opener;
    return opener;
}

void openLink(const QUrl &url)
{
    if (urlOpener()) {
        urlOpener()(url);
        return;
    }
    // Without a mail application the user still needs the address.
    if (!QDesktopServices::openUrl(url))
        platform::runModalAlert(HelpMenu::tr("No mail application could be opened"),
                                HelpMenu::tr("Please write to %1.").arg(url.path()));
}
} // namespace

HelpMenu::HelpMenu(QObject *parent)
    : QObject(parent), m_reportBug(new QAction(tr("Report a Bug"), this)),
      m_requestFeature(new QAction(tr("Request a Feature"), this))
{
    for (QAction *item : items())
        connect(item, &QAction::triggered, this, [] { openLink(feedbackUrl()); });
}

QUrl HelpMenu::feedbackUrl()
{
    return QUrl(QStringLiteral("mailto:feedback@ostrel.app"));
}

void HelpMenu::setUrlOpener(UrlOpener opener)
{
    urlOpener() = std::move(opener);
}

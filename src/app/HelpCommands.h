#pragma once

#include <QList>
#include <QObject>
#include <QUrl>

#include <functional>

class QAction;

// The Help menu's feedback items: both open a new message to the feedback address.
class HelpMenu : public QObject {
    Q_OBJECT

public:
    explicit HelpMenu(QObject *parent = nullptr);

    static QUrl feedbackUrl();

    QList<QAction *> items() const { return {m_reportBug, m_requestFeature}; }

    // Tests record the links instead of handing them to the desktop.
    using UrlOpener = std::function<void(const QUrl &)>;
    static void setUrlOpener(UrlOpener opener);

private:
    QAction *m_reportBug;
    QAction *m_requestFeature;
};

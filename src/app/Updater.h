#pragma once

#include <QCoro/QCoroTask>
#include <QNetworkAccessManager>
#include <QObject>
#include <QUrl>
#include <QVersionNumber>

#include <chrono>
#include <optional>

namespace platform {

// The newest release an appcast announces.
struct AppcastItem {
    QVersionNumber version;
    QString displayVersion; // the short version string, else the version as written
    QUrl downloadUrl;       // the enclosure's location
};

struct AppcastReading {
    std::optional<AppcastItem> newest; // absent when the feed lists no release
    QString error;                     // why the feed could not be read, if it could not
};

// Reads an RSS appcast whose items carry sparkle:version (as an element or as an
// attribute of the enclosure), optionally sparkle:shortVersionString, and an enclosure
// url. Items without a readable version are passed over.
AppcastReading readAppcast(const QByteArray &feed);

// Checks an appcast feed for a newer release of the application. The feed's location
// is configured in the resources folder (file "update-feed"); the outcome is shown in
// an alert.
class Updater : public QObject {
    Q_OBJECT

public:
    explicit Updater(QVersionNumber currentVersion = applicationVersion(),
                     QObject *parent = nullptr);

    // The version the build was made as.
    static QVersionNumber applicationVersion();

    // Reads the configured feed location; from then on a user-started check may run.
    void start();

    // True exactly when a user-started check may run now: after start, and not while
    // a check (with the alert that ends it) is under way.
    bool canCheckForUpdates() const { return m_canCheckForUpdates; }

    // Fetches the feed, compares its newest version with the application's and shows
    // the outcome: up to date, a newer version with its download link, or the error.
    QCoro::Task<> checkForUpdates();

    QUrl feedUrl() const { return m_feedUrl; }

    // A feed is kilobytes: a larger one, or a fetch that has not ended by the deadline
    // (a server that trickles bytes, an endless file), is the check's error.
    struct FeedLimits {
        qint64 maxBytes = 1024 * 1024;
        std::chrono::milliseconds deadline{30000};
    };
    void setFeedLimits(FeedLimits limits) { m_limits = limits; }

signals:
    void canCheckForUpdatesChanged(bool canCheck);

private:
    void setCanCheckForUpdates(bool value);
    QCoro::Task<AppcastReading> fetchFeed();

    QVersionNumber m_currentVersion;
    QUrl m_feedUrl;
    QString m_feedProblem;
    bool m_started = false;
    bool m_canCheckForUpdates = false;
    FeedLimits m_limits;
    QNetworkAccessManager m_network;
};

} // namespace platform

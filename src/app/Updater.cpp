#include "app/Updater.h"

#include "model/Alert.h"
#include "model/Resources.h"

#include <QCoro/QCoroNetworkReply>
#include <QFile>
#include <QLocale>
#include <QNetworkReply>
#include <QPointer>
#include <QTimer>
#include <QXmlStreamReader>

namespace platform {

namespace {

constexpr auto sparkleNamespace = "http://www.andymatuschak.org/xml-namespaces/sparkle";

// The fields of one <item>, as written; the enclosure's attributes stand in for the
// elements that are missing.
struct RawItem {
    QString version;
    QString shortVersion;
    QString url;
};

RawItem readItem(QXmlStreamReader &xml)
{
    RawItem item;
    const QString sparkle = QString::fromLatin1(sparkleNamespace);
    while (xml.readNextStartElement()) {
        if (xml.namespaceUri() == sparkle && xml.name() == u"version") {
            item.version = xml.readElementText().trimmed();
        } else if (xml.namespaceUri() == sparkle && xml.name() == u"shortVersionString") {
            item.shortVersion = xml.readElementText().trimmed();
        } else if (xml.name() == u"enclosure") {
            const QXmlStreamAttributes attributes = xml.attributes();
            item.url = attributes.value(QStringLiteral("url")).toString().trimmed();
            if (item.version.isEmpty())
                item.version =
                    attributes.value(sparkle, QStringLiteral("version")).toString().trimmed();
            if (item.shortVersion.isEmpty())
                item.shortVersion = attributes.value(sparkle, QStringLiteral("shortVersionString"))
                                        .toString()
                                        .trimmed();
            xml.skipCurrentElement();
        } else {
            xml.skipCurrentElement();
        }
    }
    return item;
}

} // namespace

AppcastReading readAppcast(const QByteArray &feed)
{
    AppcastReading reading;
    QXmlStreamReader xml(feed);
    bool sawChannel = false;
    // One root element: reading on past the document's end would count as an error.
    if (xml.readNextStartElement() && xml.name() == u"rss") {
        while (xml.readNextStartElement()) {
            if (xml.name() != u"channel") {
                xml.skipCurrentElement();
                continue;
            }
            sawChannel = true;
            while (xml.readNextStartElement()) {
                if (xml.name() != u"item") {
                    xml.skipCurrentElement();
                    continue;
                }
                const RawItem raw = readItem(xml);
                qsizetype suffix = 0;
                const QVersionNumber version = QVersionNumber::fromString(raw.version, &suffix);
                if (version.isNull() || suffix != raw.version.size())
                    continue;
                if (reading.newest &&
                    QVersionNumber::compare(version.normalized(),
                                            reading.newest->version.normalized()) <= 0)
                    continue;
                reading.newest = AppcastItem{
                    version, raw.shortVersion.isEmpty() ? raw.version : raw.shortVersion,
                    QUrl(raw.url)};
            }
        }
    }
    if (xml.hasError()) {
        reading.newest.reset();
        reading.error = Updater::tr("The update feed is not valid XML: %1 (line %2).")
                            .arg(xml.errorString())
                            .arg(xml.lineNumber());
    } else if (!sawChannel) {
        reading.error = Updater::tr("The update feed is not an RSS channel.");
    }
    return reading;
}

Updater::Updater(QVersionNumber currentVersion, QObject *parent)
    : QObject(parent), m_currentVersion(std::move(currentVersion))
{}

QVersionNumber Updater::applicationVersion()
{
    return QVersionNumber::fromString(QStringLiteral(OSTREL_VERSION));
}

void Updater::start()
{
    if (m_started)
        return;
    m_started = true;
    const QString path = resourceFolder() + QStringLiteral("/update-feed");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_feedProblem = tr("No update feed is configured (%1: %2).").arg(path, file.errorString());
    } else {
        const QString text = QString::fromUtf8(file.readAll()).trimmed();
        m_feedUrl =
            text.startsWith(u'/') ? QUrl::fromLocalFile(text) : QUrl(text, QUrl::StrictMode);
        if (!m_feedUrl.isValid() || m_feedUrl.isRelative()) {
            m_feedProblem =
                tr("The update feed location in %1 is not a valid URL: %2").arg(path, text);
            m_feedUrl.clear();
        }
    }
    setCanCheckForUpdates(true);
}

void Updater::setCanCheckForUpdates(bool value)
{
    if (m_canCheckForUpdates == value)
        return;
    m_canCheckForUpdates = value;
    emit canCheckForUpdatesChanged(value);
}

QCoro::Task<AppcastReading> Updater::fetchFeed()
{
    if (m_feedUrl.isEmpty())
        co_return AppcastReading{std::nullopt, m_feedProblem};

    QPointer<QNetworkReply> reply = m_network.get(QNetworkRequest(m_feedUrl));
    // The feed is read as it arrives, never more than one byte past the limit: a reply
    // keeps everything that arrives until it is read, and a local file is read to its
    // end, which an endless one never reaches.
    QByteArray feed;
    bool tooLarge = false;
    // Ended from the event loop: an abort finishes the reply at once, and this coroutine
    // must not resume, and end, inside a signal of its own reply or timer.
    auto stop = [reply] {
        QMetaObject::invokeMethod(reply, &QNetworkReply::abort, Qt::QueuedConnection);
    };
    auto take = [&] {
        if (tooLarge)
            return;
        feed += reply->read(m_limits.maxBytes + 1 - feed.size());
        if (feed.size() > m_limits.maxBytes) {
            tooLarge = true;
            stop();
        }
    };
    const QMetaObject::Connection reading = connect(reply, &QIODevice::readyRead, reply, take);
    // The whole fetch has its deadline: a server that sends a byte now and then is never
    // silent long enough for a transfer timeout.
    bool late = false;
    QTimer deadline;
    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, reply, [&] {
        late = true;
        stop();
    });
    deadline.start(m_limits.deadline);
    co_await reply.data();
    deadline.stop();
    if (!reply)
        co_return AppcastReading{std::nullopt, tr("The update check was interrupted.")};
    disconnect(reading);
    reply->deleteLater();
    if (!tooLarge && !late && reply->error() == QNetworkReply::NoError)
        take();
    if (tooLarge)
        co_return AppcastReading{std::nullopt,
                                 tr("The update feed is larger than %1.")
                                     .arg(QLocale().formattedDataSize(m_limits.maxBytes))};
    if (late)
        co_return AppcastReading{
            std::nullopt, tr("The update feed did not arrive within %1 seconds.")
                              .arg(std::chrono::duration<double>(m_limits.deadline).count())};
    if (reply->error() != QNetworkReply::NoError)
        co_return AppcastReading{std::nullopt, reply->errorString()};
    co_return readAppcast(feed);
}

QCoro::Task<> Updater::checkForUpdates()
{
    if (!m_canCheckForUpdates)
        co_return;
    QPointer<Updater> self(this);
    setCanCheckForUpdates(false);

    const AppcastReading reading = co_await fetchFeed();
    if (!self)
        co_return;

    if (!reading.error.isEmpty()) {
        co_await runModalAlert(
            tr("Update Error!"),
            tr("An error occurred in retrieving update information. Please try again later.\n\n%1")
                .arg(reading.error));
    } else if (reading.newest && QVersionNumber::compare(reading.newest->version.normalized(),
                                                         m_currentVersion.normalized()) > 0) {
        co_await runModalAlert(
            tr("A new version of Ostrel is available!"),
            tr("Ostrel %1 is now available; you have %2.\n\nDownload it from:\n%3")
                .arg(reading.newest->displayVersion, m_currentVersion.toString(),
                     reading.newest->downloadUrl.toString()));
    } else {
        co_await runModalAlert(tr("You’re up to date!"),
                               tr("Ostrel %1 is currently the newest version available.")
                                   .arg(m_currentVersion.toString()));
    }
    if (self)
        setCanCheckForUpdates(true);
}

} // namespace platform

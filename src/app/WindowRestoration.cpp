#include "app/WindowRestoration.h"

#include "app/WindowGroup.h"
#include "model/RepoController.h"
#include "model/Slices.h"
#include "widgets/Preparation.h"

#include <QCoro/QCoroFuture>
#include <QCoro/QCoroTimer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMainWindow>
#include <QSaveFile>
#include <QStandardPaths>
#include <QtConcurrent/QtConcurrentRun>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::WindowRestoration {

namespace {

// Restores under way; the state file is not written while one runs.
int restoring = 0;

void report(const QString &line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

// Keeps a state file the application could not use, for the user to look at.
void setAside(const QString &path, const QString &why)
{
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    QString target = path + QStringLiteral(".unreadable-") + stamp;
    for (int n = 2; QFileInfo::exists(target) || QFileInfo(target).isSymLink(); ++n)
        target = path + QStringLiteral(".unreadable-") + stamp + u'-' + QString::number(n);
    if (QFile::rename(path, target))
        report(QStringLiteral("Window state %1 could not be used (%2); kept as %3")
                   .arg(path, why, target));
    else
        report(
            QStringLiteral("Window state %1 could not be used (%2) nor set aside").arg(path, why));
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The state file as it was read, off the GUI thread: the windows without their lists of
// changes, which are read into texts on the way and kept apart, one list per window.
struct State {
    bool missing = false;
    // Why the file as a whole cannot be used.
    QString problem;
    Json windows;
    // By window, in the file's order.
    struct List {
        std::vector<Change::Texts> changes;
        // Why the list cannot be used; empty for a good one.
        QString problem;
    };
    std::vector<List> lists;
};

// The bytes of the file when it is a regular file of a sane size. It is opened without
// waiting (a FIFO would wait for a writer) and looked at as opened, so that what is read
// is what was checked; a link is followed, and a link to a device is refused with it.
std::optional<QByteArray> readRegularFile(const QString &path, State &state)
{
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT)
            state.missing = true;
        else
            state.problem = systemError(errno);
        return std::nullopt;
    }
    std::optional<QByteArray> bytes;
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        state.problem = systemError(errno);
    } else if (!S_ISREG(status.st_mode)) {
        state.problem = QStringLiteral("not a regular file");
    } else if (status.st_size > stateFileLimit) {
        state.problem = QStringLiteral("larger than %1 MiB").arg(stateFileLimit >> 20);
    } else {
        // One byte more than the limit tells a file that grew since it was looked at.
        QByteArray read(qsizetype(status.st_size) + 1, Qt::Uninitialized);
        qsizetype size = 0;
        while (size < read.size()) {
            const ssize_t n = ::read(fd, read.data() + size, size_t(read.size() - size));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                state.problem = systemError(errno);
                break;
            }
            if (n == 0)
                break;
            size += n;
            if (size == read.size() && size <= stateFileLimit)
                read.resize(std::min<qsizetype>(read.size() * 2, stateFileLimit + 1));
        }
        if (state.problem.isEmpty() && size > stateFileLimit)
            state.problem = QStringLiteral("larger than %1 MiB").arg(stateFileLimit >> 20);
        else if (state.problem.isEmpty()) {
            read.truncate(size);
            bytes = std::move(read);
        }
    }
    ::close(fd);
    return bytes;
}

// Decodes the state, taking each listed change out of the tree as soon as it is read: a
// window listing 100 000 changes would otherwise hold them twice over as JSON values.
State readState(const QString &path)
{
    State state;
    std::optional<QByteArray> bytes = readRegularFile(path, state);
    if (!bytes)
        return state;

    // The key under which each open value stands ("" in a list), from the file's top.
    std::vector<std::string> keys;
    std::vector<bool> inList;
    std::string key;
    size_t window = 0;
    const auto windowAt = [&state](size_t index) {
        if (state.lists.size() <= index)
            state.lists.resize(index + 1);
    };
    const Json::parser_callback_t take = [&](int, Json::parse_event_t event, Json &parsed) -> bool {
        switch (event) {
        case Json::parse_event_t::key:
            key = parsed.get<std::string>();
            return true;
        case Json::parse_event_t::object_start:
        case Json::parse_event_t::array_start:
            keys.push_back(inList.empty() || inList.back() ? std::string() : key);
            inList.push_back(event == Json::parse_event_t::array_start);
            return true;
        case Json::parse_event_t::value:
            if (keys.size() == 1)
                windowAt(window++);
            return true;
        case Json::parse_event_t::object_end:
        case Json::parse_event_t::array_end:
            break;
        }
        const size_t depth = keys.size();
        const bool isChange = event == Json::parse_event_t::object_end && depth >= 3 &&
                              inList[depth - 2] && keys[depth - 2] == "changes" &&
                              keys[depth - 3] == "_repo";
        keys.pop_back();
        inList.pop_back();
        if (depth == 2)
            windowAt(window++);
        if (!isChange)
            return true;
        windowAt(window);
        try {
            state.lists[window].changes.push_back(Change::textsFromJson(parsed));
        } catch (const std::exception &e) {
            state.lists[window].problem = QString::fromUtf8(e.what());
        }
        return false;
    };
    state.windows = Json::parse(bytes->cbegin(), bytes->cend(), take, false);
    bytes.reset();
    if (state.windows.is_discarded())
        state.problem = QStringLiteral("not JSON");
    else if (!state.windows.is_array())
        state.problem = QStringLiteral("not a list of windows");
    windowAt(state.windows.size());
    return state;
}

// A window as the file keeps it: its value, with its place and size beside it, or, as
// files written before kept it, the value alone.
bool keepsPlace(const Json &window)
{
    return window.is_object() && window.contains("value") && !window.contains("_repo");
}

class Restoring {
public:
    Restoring() { ++restoring; }
    ~Restoring() { --restoring; }
    Restoring(const Restoring &) = delete;
    Restoring &operator=(const Restoring &) = delete;
};

} // namespace

QString stateFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/windows.json");
}

bool saveWindows(const WindowGroup &group, const QString &path)
{
    if (restoring > 0) {
        report(QStringLiteral("Window state %1 not written: its windows are still being opened")
                   .arg(path));
        return false;
    }
    Json windows = Json::array();
    for (const QMainWindow *window : group.windows()) {
        // A window without a value has nothing to restore.
        if (const RepoController *controller = group.valueOf(window);
            controller && group.hasValue(window)) {
            Json entry = Json::object();
            entry["value"] = controller->toJson();
            entry["geometry"] = window->saveGeometry().toBase64().toStdString();
            windows.push_back(std::move(entry));
        }
    }
    QDir().mkpath(QFileInfo(path).path());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        report(QStringLiteral("Window state %1 could not be written: %2")
                   .arg(path, file.errorString()));
        return false;
    }
    const std::string text = windows.dump();
    file.write(text.data(), qint64(text.size()));
    if (!file.commit()) {
        report(QStringLiteral("Window state %1 could not be written: %2")
                   .arg(path, file.errorString()));
        return false;
    }
    return true;
}

QCoro::Task<int> restoreWindows(WindowGroup &group, QString path)
{
    // Nothing to wait for when there is no file, as on a first launch.
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
        co_return 0;
    const Restoring restoring;
    // Handed over whole: a result taken out of a future is a copy of it.
    const QFuture<std::shared_ptr<State>> reading =
        QtConcurrent::run([path] { return std::make_shared<State>(readState(path)); });
    // The windows always come back after launch returns, whenever the reading ends.
    co_await QCoro::sleepFor(std::chrono::milliseconds(0));
    // What the windows need to be drawn is loaded while the file is read, before they
    // open: the first of them would otherwise load it as it is drawn.
    co_await prepareWindowResources();
    const std::shared_ptr<State> read = co_await reading;
    State &state = *read;
    if (state.missing)
        co_return 0;
    if (!state.problem.isEmpty()) {
        setAside(path, state.problem);
        co_return 0;
    }

    struct Restored {
        std::unique_ptr<RepoController> controller;
        QByteArray geometry;
        size_t list;
    };
    std::vector<Restored> restored;
    QString problem;
    for (size_t i = 0; i < state.windows.size(); ++i) {
        if (!state.lists[i].problem.isEmpty()) {
            problem = state.lists[i].problem;
            continue;
        }
        const Json &window = state.windows[i];
        const bool placed = keepsPlace(window);
        try {
            Restored value{RepoController::fromJson(placed ? window["value"] : window), {}, i};
            if (placed && window.contains("geometry") && window["geometry"].is_string())
                value.geometry = QByteArray::fromBase64(
                    QByteArray::fromStdString(window["geometry"].get<std::string>()));
            restored.push_back(std::move(value));
        } catch (const std::exception &e) {
            problem = QString::fromUtf8(e.what());
        }
    }
    state.windows = Json();
    // Its undecodable values would be lost at the next save.
    if (!problem.isEmpty())
        setAside(path, problem);

    int opened = 0;
    for (Restored &window : restored) {
        std::vector<Change::Texts> &texts = state.lists[window.list].changes;
        QList<ChangePtr> changes;
        changes.reserve(qsizetype(texts.size()));
        Slices slices;
        for (Change::Texts &change : texts) {
            if (slices.due())
                co_await slices.pause();
            changes.append(std::make_shared<Change>(std::move(change)));
        }
        std::vector<Change::Texts>().swap(texts);
        window.controller->modifyRepo([&](Repo &repo) { repo.changes = std::move(changes); });
        opened += co_await group.openPreparedWindow(std::move(window.controller), window.geometry)
                      ? 1
                      : 0;
    }
    co_return opened;
}

} // namespace platform::WindowRestoration

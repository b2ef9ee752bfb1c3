// One measurement of a repository window per process, on a generated repository of the
// given number of changes, against the bundled jj. Prints "figure <name> <value>" lines,
// which scripts/bench gathers over several processes.
//
//   bench_session anchor COUNT           bare `jj log --no-graph -r ::`: wall, jj's CPU, output
//   bench_session open COUNT             a window opened until its rows are drawn; peak memory
//   bench_session session COUNT          stalls while a window opens, reloads the same list and
//                                        refreshes on its timer; the CPU of a reload
//   bench_session save-state COUNT FILE  the state file of one settled window with a selection
//   bench_session restore COUNT FILE     stall and peak memory while that window comes back at
//                                        start
#include "BenchRepository.h"
#include "Measure.h"

#include "app/OstrelApp.h"
#include "app/WindowGroup.h"
#include "app/WindowRestoration.h"
#include "dialogs/WindowOpener.h"
#include "model/ChangeCategory.h"
#include "model/Memory.h"
#include "model/RepoController.h"
#include "window/ChangeList.h"
#include "window/RepoView.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QProcess>

#include <QCoro/QCoroTask>

#include <cstdio>
#include <cstring>

using namespace bench;

namespace {

void figure(const char *name, double value)
{
    std::printf("figure %s %.6g\n", name, value);
    std::fflush(stdout);
}

double seconds(qint64 nanoseconds)
{
    return double(nanoseconds) / 1e9;
}

// The window has the whole history listed and laid out, and no jj runs for it.
bool settled(RepoView *view, int rows)
{
    return view && childProcesses() == 0 && view->changeList()->model()->rowCount() >= rows &&
           laidOut(view->changeList());
}

// Far longer than any measured stretch takes at the sizes measured; a run still waiting
// then has gone wrong (a jj that cannot start leaves the window empty, for example).
constexpr int giveUpMs = 300'000;

void waitOrFail(const std::function<bool()> &done, const char *what, int intervalMs = 10)
{
    if (!waitUntil(done, intervalMs, giveUpMs))
        qFatal("Gave up waiting: %s", what);
}

// Runs the action from inside the event loop, where a stall probe sees the time it takes,
// then waits until the window has settled.
void actAndSettle(const std::function<void()> &action, const std::function<RepoView *()> &view,
                  int rows, int intervalMs = 10)
{
    bool acted = false;
    QTimer::singleShot(0, [&] {
        action();
        acted = true;
    });
    if (waitUntil([&] { return acted && settled(view(), rows); }, intervalMs, giveUpMs))
        return;
    const RepoView *window = view();
    qFatal("Gave up waiting for the window to settle: acted %d, window %d, %d of %d rows, "
           "%d jj runs, laid out %d",
           int(acted), int(window != nullptr),
           window ? int(window->changeList()->model()->rowCount()) : -1, rows, childProcesses(),
           window ? int(laidOut(window->changeList())) : -1);
}

// Starts the application as it starts with no windows to restore: the menu-bar window
// is up and drawn before a repository window opens, so that what is measured is not
// the process's first window.
void launch(OstrelApp &app)
{
    app.launch();
    const PaintWatch watch(app.menuBarWindow());
    waitOrFail([&] { return watch.drawnAt() != 0; }, "the menu-bar window to be drawn");
}

// Opens a window as File > Open Repository does; it shows a few turns later, once the
// memory it is drawn into is taken.
void openWindow(const QString &repo)
{
    openRepositoryWindow(QUrl::fromLocalFile(repo));
}

// The newest window, once open.
RepoView *openedWindow()
{
    const QList<QMainWindow *> windows = platform::WindowGroup::instance().windows();
    return windows.isEmpty() ? nullptr : qobject_cast<RepoView *>(windows.last());
}

// The list of all changes read again; sets `done` once it is in the model.
QCoro::Task<> reload(RepoController *controller, bool *done)
{
    co_await controller->loadChanges(ChangeCategory::allChanges);
    *done = true;
}

// Selects the row below the working copy, as a click on it does.
void selectSecondRow(RepoView *view, int rows)
{
    actAndSettle(
        [view] {
            ChangeList *list = view->changeList();
            list->selectionModel()->select(list->model()->index(1, 0),
                                           QItemSelectionModel::ClearAndSelect);
        },
        [view] { return view; }, rows);
}

void measureAnchor(const QString &repo)
{
    QProcess process;
    process.setWorkingDirectory(repo);
    process.setStandardInputFile(QProcess::nullDevice());
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    const double cpu = childrenCpuSeconds();
    const qint64 start = now();
    process.start(bundledJj(), {"log", "--no-graph", "-r", "::"});
    loop.exec();
    const QByteArray output = process.readAllStandardOutput();
    const qint64 end = now();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        qFatal("jj log failed");
    figure("anchor_s", seconds(end - start));
    figure("anchor_jj_cpu_s", childrenCpuSeconds() - cpu);
    figure("anchor_output_mb", double(output.size()) / 1e6);
    // Two lines a change; the root's second is missing.
    figure("anchor_changes", double((output.count('\n') + 1) / 2));
}

void measureOpen(const QString &repo, int rows)
{
    OstrelApp app;
    launch(app);
    const qint64 start = now();
    openWindow(repo);
    RepoView *view = nullptr;
    waitOrFail([&] { return (view = openedWindow()) != nullptr; }, "the window to open", 1);
    ChangeList *list = view->changeList();
    const PaintWatch watch(list->viewport(),
                           [list, rows] { return list->model()->rowCount() >= rows; });
    waitOrFail([&] { return watch.drawnAt() != 0; }, "the rows to be drawn");
    figure("open_to_rows_s", seconds(watch.drawnAt() - start));
    waitOrFail([&] { return settled(view, rows); }, "the window to settle");
    figure("open_settled_s", seconds(now() - start));
    figure("open_peak_rss_mb", peakRssMegabytes());
}

void measureSession(const QString &repo, int rows)
{
    OstrelApp app;
    launch(app);
    StallProbe probe;
    probe.start();
    actAndSettle([&] { openWindow(repo); }, openedWindow, rows);
    figure("stall_open_ms", probe.stop());
    RepoView *view = openedWindow();

    // A reload that finds the same list; polled seldom, so the waiting costs nothing
    // next to what is measured.
    RepoController *controller = view->controller();
    bool reloaded = false;
    const auto reloadedWindow = [&] { return reloaded ? view : nullptr; };
    const double ownCpu = ownCpuSeconds();
    const double jjCpu = childrenCpuSeconds();
    const qint64 start = now();
    actAndSettle([&] { reload(controller, &reloaded); }, reloadedWindow, rows, 50);
    const double appCpu = ownCpuSeconds() - ownCpu;
    const double reloadJjCpu = childrenCpuSeconds() - jjCpu;
    figure("reload_s", seconds(now() - start));
    figure("reload_app_cpu_s", appCpu);
    figure("reload_jj_cpu_s", reloadJjCpu);
    figure("reload_app_cpu_pct", 100 * appCpu / reloadJjCpu);

    reloaded = false;
    probe.start();
    actAndSettle([&] { reload(controller, &reloaded); }, reloadedWindow, rows);
    figure("stall_reload_ms", probe.stop());

    // The five-second refresh of a selected change whose diff stays the same. What the
    // selection itself redraws is drawn before the refresh is watched.
    selectSecondRow(view, rows);
    waitUntil([] { return false; }, 10, 300);
    bool ticked = false;
    QObject::connect(view->refreshTimer(), &QTimer::timeout, view, [&ticked] { ticked = true; });
    const PaintWatch paints(view);
    probe.start();
    waitOrFail([&] { return ticked && settled(view, rows); }, "a refresh");
    // Anything the refresh would redraw is drawn by the next frame.
    waitUntil([] { return false; }, 10, 100);
    figure("stall_refresh_ms", probe.stop());
    figure("refresh_paints", paints.paints());
}

void saveState(const QString &repo, int rows, const QString &file)
{
    OstrelApp app;
    launch(app);
    actAndSettle([&] { openWindow(repo); }, openedWindow, rows);
    RepoView *view = openedWindow();
    selectSecondRow(view, rows);
    if (!platform::WindowRestoration::saveWindows(platform::WindowGroup::instance(), file))
        qFatal("The window state could not be written");
}

void measureRestore(int rows, const QString &file)
{
    // The state file where the application reads it at start.
    const QString path = platform::WindowRestoration::stateFilePath();
    QDir().mkpath(QFileInfo(path).path());
    if (!QFile::copy(file, path))
        qFatal("No window state to restore");
    OstrelApp app;
    StallProbe probe;
    probe.start();
    actAndSettle([&app] { app.launch(); }, openedWindow, rows);
    figure("stall_restore_ms", probe.stop());
    figure("restore_peak_rss_mb", peakRssMegabytes());
}

int usage()
{
    std::fprintf(stderr, "usage: bench_session anchor|open|session COUNT\n"
                         "       bench_session save-state|restore COUNT FILE\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    platform::keepFreedMemory();
    useOwnJjSettings();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ostrel"));
    if (argc < 3)
        return usage();
    const char *mode = argv[1];
    const int count = std::atoi(argv[2]);
    const QString file = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();
    const QString repo = repository(count);
    if (count <= 0 || repo.isEmpty())
        return 1;
    // The whole history: every commit, the working copy and the root.
    const int rows = count + 2;
    if (!std::strcmp(mode, "anchor"))
        measureAnchor(repo);
    else if (!std::strcmp(mode, "open"))
        measureOpen(repo, rows);
    else if (!std::strcmp(mode, "session"))
        measureSession(repo, rows);
    else if (!std::strcmp(mode, "save-state") && !file.isEmpty())
        saveState(repo, rows, file);
    else if (!std::strcmp(mode, "restore") && !file.isEmpty())
        measureRestore(rows, file);
    else
        return usage();
    return 0;
}

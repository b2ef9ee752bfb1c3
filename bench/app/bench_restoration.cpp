#include "app/WindowGroup.h"
#include "app/WindowRestoration.h"
#include "model/Memory.h"
#include "model/RepoController.h"

#include <QApplication>
#include <QMainWindow>
#include <QTemporaryDir>

#include <QCoro/QCoroTask>

#include <benchmark/benchmark.h>

namespace {

// A window value with the given number of listed changes, as a large repository's
// window holds when the application quits.
std::unique_ptr<RepoController> controllerWithChanges(int count)
{
    Repo repo = Repo::empty(QUrl::fromLocalFile(QStringLiteral("/work/repository")));
    for (int i = 0; i < count; ++i) {
        auto change = std::make_shared<Change>();
        change->setChangeId(QStringLiteral("qpvuntsmwlqt%1").arg(i, 20, 10, QLatin1Char('0')));
        change->setAuthor(QStringLiteral("test.user@example.com"));
        change->setTimestamp(QStringLiteral("2001-02-03 04:05:06"));
        change->setCommitHash(QStringLiteral("%1").arg(i, 40, 16, QLatin1Char('0')));
        change->setDescription(QStringLiteral("Change number %1 of the benchmark").arg(i));
        repo.changes.append(change);
    }
    repo.selectedChanges = ChangeSet{repo.changes.first()};
    return std::make_unique<RepoController>(std::move(repo));
}

void openWindows(int windows, int changes)
{
    for (int w = 0; w < windows; ++w)
        platform::WindowGroup::instance().openWindow(controllerWithChanges(changes + w));
}

void closeWindows()
{
    for (QMainWindow *window : platform::WindowGroup::instance().windows())
        delete window;
}

// Writing the state file when the application quits.
void BM_SaveWindows(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("windows.json"));
    openWindows(int(state.range(0)), int(state.range(1)));
    for (auto _ : state)
        benchmark::DoNotOptimize(
            platform::WindowRestoration::saveWindows(platform::WindowGroup::instance(), path));
    closeWindows();
}
BENCHMARK(BM_SaveWindows)
    ->Args({2, 100})
    ->Args({2, 10000})
    ->Args({8, 10000})
    ->Unit(benchmark::kMillisecond);

// Reading it and reopening the windows at launch.
void BM_RestoreWindows(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("windows.json"));
    openWindows(int(state.range(0)), int(state.range(1)));
    platform::WindowRestoration::saveWindows(platform::WindowGroup::instance(), path);
    closeWindows();
    for (auto _ : state) {
        benchmark::DoNotOptimize(QCoro::waitFor(
            platform::WindowRestoration::restoreWindows(platform::WindowGroup::instance(), path)));
        state.PauseTiming();
        closeWindows();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_RestoreWindows)
    ->Args({2, 100})
    ->Args({2, 10000})
    ->Args({8, 10000})
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    platform::keepFreedMemory();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Bare windows: the benchmark measures the state file, not the window content.
    platform::WindowGroup::instance().setFactory(
        [](RepoController *, bool) { return new QMainWindow; });
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// Figures for the repository window: how long a loaded list takes to show, how long a
// large diff takes to show, and how long the window's thread stalls while the selected
// changes' diffs are refreshed. Waits run the event loop, which sleeps until there is
// something to do.
#include "BenchRepository.h"
#include "Measure.h"

#include "model/Memory.h"
#include "model/RepoController.h"
#include "widgets/DiffView.h"
#include "window/ChangeList.h"
#include "window/ChangeView.h"
#include "window/RepoView.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QItemSelectionModel>
#include <QProcess>

#include <algorithm>

namespace {

using bench::now;
using bench::PaintWatch;
using bench::StallProbe;
using bench::waitUntil;

// Shows the widget and waits for its first paint, so that what is measured next is not
// the window's first appearance.
void showAndDraw(QWidget *widget)
{
    const PaintWatch watch(widget);
    widget->show();
    waitUntil([&] { return watch.drawnAt() != 0; }, 1);
}

double millisecondsOf(qint64 nanoseconds)
{
    return double(nanoseconds) / 1e6;
}

QList<ChangePtr> makeChanges(qsizetype count)
{
    static const QStringList words = {"fix",    "add",   "the",   "parser",       "window",
                                      "list",   "for",   "large", "repositories", "and",
                                      "update", "tests", "docs"};
    QList<ChangePtr> changes;
    changes.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
        auto change = std::make_shared<Change>();
        change->setChangeId(QStringLiteral("%1").arg(i, 8, 36, QLatin1Char('k')));
        change->setCommitHash(QStringLiteral("%1").arg(i * 7919, 8, 16, QLatin1Char('0')));
        QString description;
        for (qsizetype w = 0; w < 4 + i % 12; ++w)
            description += words.at((i + w * 5) % words.size()) + u' ';
        change->setDescription(description.trimmed());
        changes.append(change);
    }
    return changes;
}

// From the write of a loaded list to the list drawn, then to the whole list laid out.
void BM_ListShown(benchmark::State &state)
{
    const qsizetype count = state.range(0);
    double firstPaint = 0;
    double laidOut = 0;
    double stall = 0;
    const QList<ChangePtr> changes = makeChanges(count);
    for (auto _ : state) {
        RepoController controller(QUrl::fromLocalFile(QDir::tempPath()));
        ChangeSet selection;
        ChangeList list(&controller,
                        {[&] { return selection; }, [&](const ChangeSet &s) { selection = s; }});
        list.resize(360, 700);
        showAndDraw(&list);
        const PaintWatch drawn(&list, [&] { return list.model()->rowCount() == count; });
        StallProbe probe;

        probe.start();
        const qint64 start = now();
        controller.modifyRepo([&](Repo &repo) { repo.changes = changes; });
        waitUntil([&] { return drawn.drawnAt() != 0; }, 1);
        const double painted = millisecondsOf(drawn.drawnAt() - start);
        waitUntil([&] { return bench::laidOut(&list); }, 1);
        const double whole = millisecondsOf(now() - start);
        stall = std::max(stall, probe.stop());
        state.SetIterationTime(painted / 1000);
        firstPaint += painted;
        laidOut += whole;
    }
    state.counters["drawn_ms"] = firstPaint / double(state.iterations());
    state.counters["all_rows_laid_out_ms"] = laidOut / double(state.iterations());
    state.counters["longest_stall_ms"] = stall;
}
BENCHMARK(BM_ListShown)
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

QString makeDiff(qsizetype bytes)
{
    QString diff;
    diff.reserve(bytes + 200);
    int file = 0;
    while (diff.size() < bytes) {
        diff += QStringLiteral(
                    "diff --git a/src/file%1.c b/src/file%1.c\nindex 1234567..89abcde 100644\n"
                    "--- a/src/file%1.c\n+++ b/src/file%1.c\n@@ -1,40 +1,40 @@\n")
                    .arg(file++);
        for (int line = 0; line < 40 && diff.size() < bytes; ++line) {
            const QChar sign = line % 7 == 0 ? u'-' : line % 7 == 1 ? u'+' : u' ';
            diff += sign + QStringLiteral("\tstatic int value_%1 = compute(%2, \"text %3\");\n")
                               .arg(line)
                               .arg(file * 31 + line)
                               .arg(line * 17);
        }
    }
    return diff;
}

// From the write of a 5 MB diff to the detail view drawn with it.
void BM_DiffShown(benchmark::State &state)
{
    const QString diff = makeDiff(state.range(0) * 1024 * 1024);
    double stall = 0;
    for (auto _ : state) {
        ChangeView view;
        auto change = std::make_shared<Change>();
        change->setChangedText(QStringLiteral("+small\n"));
        view.setChange(change);
        view.resize(700, 800);
        showAndDraw(&view);
        const QString text = diff + QString::number(state.iterations());
        const PaintWatch drawn(view.diffView());
        StallProbe probe;

        probe.start();
        const qint64 start = now();
        change->setChangedText(text);
        waitUntil([&] { return drawn.drawnAt() != 0; }, 1);
        state.SetIterationTime(double(drawn.drawnAt() - start) / 1e9);
        stall = std::max(stall, probe.stop());
    }
    state.counters["MB"] = double(diff.toUtf8().size()) / (1024 * 1024);
    state.counters["longest_stall_ms"] = stall;
}
BENCHMARK(BM_DiffShown)->Arg(5)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

// The window's thread while a tick refreshes 20 selected diffs, beside the time the
// same `jj diff` runs take on their own; and what a tick whose diffs did not change
// draws.
void BM_RefreshStall(benchmark::State &state)
{
    const QString repo = bench::repository(10000);
    if (repo.isEmpty()) {
        state.SkipWithError("no repository to measure");
        return;
    }
    const int count = int(state.range(0));
    RepoController controller(QUrl::fromLocalFile(repo));
    RepoView view(&controller);
    showAndDraw(&view);
    // The window's loads at open, then the rows below the working copy selected as a
    // person would, and their first diff read.
    const auto settled = [&] {
        return bench::childProcesses() == 0 && controller.repo().changes.size() > count;
    };
    waitUntil(settled);
    view.refreshTimer()->stop();
    ChangeList *list = view.changeList();
    list->selectionModel()->select(
        QItemSelection(list->model()->index(1, 0), list->model()->index(count, 0)),
        QItemSelectionModel::ClearAndSelect);
    waitUntil(settled);
    const QList<ChangePtr> changes = controller.repo().selectedChanges.toList();
    if (changes.size() != count) {
        state.SkipWithError("the selection does not hold the rows selected");
        return;
    }

    double bare = 0;
    double stall = 0;
    int idlePaints = 0;
    for (auto _ : state) {
        // The same diffs, run one after another with nothing else going on.
        const qint64 bareStart = now();
        for (const ChangePtr &change : changes) {
            QProcess process;
            process.setWorkingDirectory(repo);
            process.start(bench::bundledJj(), {"diff", "-r", change->changeId(), "--git"});
            process.waitForFinished(-1);
            process.readAllStandardOutput();
        }
        bare += millisecondsOf(now() - bareStart);

        for (const ChangePtr &change : changes)
            change->setChangedText(QString());
        StallProbe probe;
        probe.start();
        const qint64 start = now();
        QCoro::waitFor(controller.refreshSelectedChangeDiffs());
        state.SetIterationTime(double(now() - start) / 1e9);
        stall = std::max(stall, probe.stop());

        // Once more: nothing changed, so nothing may be drawn, even a frame later.
        const PaintWatch paints(&view);
        QCoro::waitFor(controller.refreshSelectedChangeDiffs());
        waitUntil([] { return false; }, 10, 100);
        idlePaints = std::max(idlePaints, paints.paints());
    }
    state.counters["bare_jj_diffs_ms"] = bare / double(state.iterations());
    state.counters["longest_stall_ms"] = stall;
    state.counters["idle_refresh_paints"] = idlePaints;
}
BENCHMARK(BM_RefreshStall)->Arg(20)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    platform::keepFreedMemory();
    bench::useOwnJjSettings();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

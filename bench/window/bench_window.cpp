// Figures for the repository window: how long a loaded list takes to show, how long a
// large diff takes to show, and how long the window's thread stalls while the selected
// changes' diffs are refreshed.
#include "PaintCounter.h"

#include "model/RepoController.h"
#include "widgets/DiffView.h"
#include "window/ChangeList.h"
#include "window/ChangeView.h"
#include "window/RepoView.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>

namespace {

// Measures the longest time the event loop went without serving a 1 ms timer.
class StallProbe : public QObject {
public:
    StallProbe()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            m_longest = std::max(m_longest, m_clock.nsecsElapsed());
            m_clock.restart();
        });
    }
    void start()
    {
        m_longest = 0;
        m_clock.start();
        m_timer.start();
    }
    double stop()
    {
        m_timer.stop();
        return double(std::max(m_longest, m_clock.nsecsElapsed())) / 1e6;
    }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_longest = 0;
};

template<typename Done> void spinUntil(Done done)
{
    while (!done())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
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
        list.show();
        spinUntil([&] { return list.isVisible(); });
        testing::PaintCounter paints(list.viewport());
        StallProbe probe;
        QCoreApplication::processEvents();

        QElapsedTimer clock;
        probe.start();
        clock.start();
        const int before = paints.count;
        controller.modifyRepo([&](Repo &repo) { repo.changes = changes; });
        spinUntil([&] { return paints.count > before; });
        const double painted = double(clock.nsecsElapsed()) / 1e6;
        // The rows are laid out in batches; the list is whole when it scrolls to the last.
        spinUntil([&] {
            const QRect last = list.visualRect(list.model()->index(int(count - 1), 0));
            return last.isValid() && list.verticalScrollBar()->maximum() >= last.bottom() - 800;
        });
        const double whole = double(clock.nsecsElapsed()) / 1e6;
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
        view.show();
        spinUntil([&] { return view.isVisible(); });
        testing::PaintCounter paints(view.diffView());
        QCoreApplication::processEvents();
        const QString text = diff + QString::number(state.iterations());
        StallProbe probe;

        QElapsedTimer clock;
        probe.start();
        clock.start();
        const int before = paints.count;
        change->setChangedText(text);
        spinUntil([&] { return paints.count > before; });
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        stall = std::max(stall, probe.stop());
    }
    state.counters["MB"] = double(diff.toUtf8().size()) / (1024 * 1024);
    state.counters["longest_stall_ms"] = stall;
}
BENCHMARK(BM_DiffShown)->Arg(5)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

// A repository with the given number of changes, each editing a few files.
bool makeRepository(const QString &folder, int changes)
{
    QString workingDirectory = QFileInfo(folder).path();
    auto jj = [&](const QStringList &arguments) {
        QProcess process;
        process.setWorkingDirectory(workingDirectory);
        process.start(QStringLiteral(OSTREL_BUNDLED_JJ), arguments);
        return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit &&
               process.exitCode() == 0;
    };
    if (!jj({"git", "init", "--colocate", QFileInfo(folder).fileName()}))
        return false;
    workingDirectory = folder;
    for (int i = 0; i < changes; ++i) {
        for (int f = 0; f < 3; ++f) {
            QFile file(folder + QStringLiteral("/file%1.txt").arg((i + f) % 10));
            if (!file.open(QIODevice::Append))
                return false;
            for (int line = 0; line < 200; ++line)
                file.write(
                    QStringLiteral("change %1 line %2 of some text\n").arg(i).arg(line).toUtf8());
        }
        if (!jj({"commit", "-m", QStringLiteral("Change number %1").arg(i)}))
            return false;
    }
    return true;
}

// The window's thread while a tick refreshes 20 selected diffs, beside the time the
// same `jj diff` runs take on their own.
void BM_RefreshStall(benchmark::State &state)
{
    if (!QFile::exists(QStringLiteral(OSTREL_BUNDLED_JJ))) {
        state.SkipWithError("no bundled jj");
        return;
    }
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("JJ_USER", "Bench User");
    qputenv("JJ_EMAIL", "bench@example.com");
    QTemporaryDir scratch;
    const QString repo = scratch.filePath(QStringLiteral("repo"));
    const int count = int(state.range(0));
    if (!makeRepository(repo, count + 1)) {
        state.SkipWithError("could not make the repository");
        return;
    }
    RepoController controller(QUrl::fromLocalFile(repo));
    RepoView view(&controller);
    view.refreshTimer()->stop();
    QList<ChangePtr> changes;
    bool loaded = false;
    [&]() -> QCoro::Task<> {
        changes = co_await controller.logAllChanges();
        loaded = true;
    }();
    spinUntil([&] { return loaded; });
    if (changes.size() < count) {
        state.SkipWithError("the log listed too few changes");
        return;
    }
    changes = changes.mid(0, count);
    controller.modifyRepo([&](Repo &repo) {
        repo.changes = changes;
        repo.selectedChanges = ChangeSet::fromList(changes);
    });

    double bare = 0;
    double stall = 0;
    for (auto _ : state) {
        // The same diffs, run one after another with nothing else going on.
        QElapsedTimer bareClock;
        bareClock.start();
        for (const ChangePtr &change : changes) {
            QProcess process;
            process.setWorkingDirectory(repo);
            process.start(QStringLiteral(OSTREL_BUNDLED_JJ),
                          {"diff", "-r", change->changeId(), "--git"});
            process.waitForFinished(-1);
            process.readAllStandardOutput();
        }
        bare += double(bareClock.nsecsElapsed()) / 1e6;

        for (const ChangePtr &change : changes)
            change->setChangedText(QString());
        StallProbe probe;
        bool done = false;
        QElapsedTimer clock;
        probe.start();
        clock.start();
        [&]() -> QCoro::Task<> {
            co_await controller.refreshSelectedChangeDiffs();
            done = true;
        }();
        spinUntil([&] { return done; });
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        stall = std::max(stall, probe.stop());
    }
    state.counters["bare_jj_diffs_ms"] = bare / double(state.iterations());
    state.counters["longest_stall_ms"] = stall;
}
BENCHMARK(BM_RefreshStall)->Arg(20)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// Reader throughput on large outputs, and what the jj runner adds to a bare child
// process run.
#include "model/Bookmark.h"
#include "model/CommandProcess.h"
#include "model/LogReader.h"
#include "model/Remote.h"
#include "model/Resources.h"

#include <QCoreApplication>
#include <QCoro/QCoroTask>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {
QString repeatLines(const QString &pair, int lines)
{
    QString text;
    text.reserve(pair.size() * lines / 2);
    for (int i = 0; i < lines / 2; ++i)
        text += pair.arg(i);
    return text;
}

void parseBookmarkList(benchmark::State &state)
{
    const QString text = repeatLines(
        QStringLiteral(
            "bookmark-%1: qpvuntsm 230dd059 Fix the parser\n  @origin: qpvuntsm 230dd059 Fix\n"),
        100000);
    for (auto _ : state)
        benchmark::DoNotOptimize(parseBookmarks(text));
    state.SetBytesProcessed(state.iterations() * text.size() * 2);
    state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(parseBookmarkList)->Unit(benchmark::kMillisecond);

void parseRemoteList(benchmark::State &state)
{
    const QString text = repeatLines(
        QStringLiteral("origin-%1 https://example.com/repo.git\nlocal /srv/repos/r.git\n"), 100000);
    for (auto _ : state)
        benchmark::DoNotOptimize(parseRemotes(text));
    state.SetBytesProcessed(state.iterations() * text.size() * 2);
    state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(parseRemoteList)->Unit(benchmark::kMillisecond);

void parseLog(benchmark::State &state)
{
    const QString text =
        repeatLines(QStringLiteral("rlvkpnrz test.user@example.com 2001-02-03 08:05:09 main %1\n"
                                   "(empty) A description of what changed\n"),
                    100000);
    for (auto _ : state)
        benchmark::DoNotOptimize(parseChanges(text));
    state.SetBytesProcessed(state.iterations() * text.size() * 2);
    state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(parseLog)->Unit(benchmark::kMillisecond);

// The same tiny program, run bare and through the runner.
QString tinyProgramFolder()
{
    static QTemporaryDir dir;
    static bool made = false;
    if (!made) {
        QFile file(dir.filePath(QStringLiteral("jj")));
        file.open(QIODevice::WriteOnly);
        file.write("#!/bin/sh\necho out\n");
        file.close();
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        made = true;
    }
    return dir.path();
}

void bareProcess(benchmark::State &state)
{
    const QString program = tinyProgramFolder() + QStringLiteral("/jj");
    for (auto _ : state) {
        QProcess process;
        process.start(program, {});
        process.waitForFinished(-1);
        benchmark::DoNotOptimize(process.readAllStandardOutput());
    }
}
BENCHMARK(bareProcess)->Unit(benchmark::kMicrosecond)->UseRealTime();

void commandProcessRun(benchmark::State &state)
{
    platform::setResourceFolderForTesting(tinyProgramFolder());
    for (auto _ : state) {
        CommandProcess process(QUrl::fromLocalFile(QStringLiteral("/")));
        benchmark::DoNotOptimize(QCoro::waitFor(process.run()));
    }
    platform::setResourceFolderForTesting(QString());
}
BENCHMARK(commandProcessRun)->Unit(benchmark::kMicrosecond)->UseRealTime();
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

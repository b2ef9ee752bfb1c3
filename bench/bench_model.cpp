// Reader throughput on large outputs, counted in the UTF-8 bytes jj writes, and what the
// jj runner adds to a bare child process run.
#include "BenchRepository.h"

#include "model/Bookmark.h"
#include "model/CommandProcess.h"
#include "model/LogReader.h"
#include "model/Memory.h"
#include "model/Remote.h"
#include "model/Resources.h"

#include <QCoreApplication>
#include <QCoro/QCoroTask>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <map>

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

// Bytes are jj's UTF-8 bytes and items what the reader gave, whatever form the text
// takes inside the application. Every pass builds and frees the whole result.
template<typename Read> void measureReader(benchmark::State &state, qsizetype bytes, Read read)
{
    qsizetype items = 0;
    for (auto _ : state) {
        const auto result = read();
        items = result.size();
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    state.SetItemsProcessed(state.iterations() * items);
}

void parseBookmarkList(benchmark::State &state)
{
    const QString text = repeatLines(
        QStringLiteral(
            "bookmark-%1: qpvuntsm 230dd059 Fix the parser\n  @origin: qpvuntsm 230dd059 Fix\n"),
        100000);
    measureReader(state, text.toUtf8().size(), [&] { return parseBookmarks(text); });
}
BENCHMARK(parseBookmarkList)->Unit(benchmark::kMillisecond);

void parseRemoteList(benchmark::State &state)
{
    const QString text = repeatLines(
        QStringLiteral("origin-%1 https://example.com/repo.git\nlocal /srv/repos/r.git\n"), 100000);
    measureReader(state, text.toUtf8().size(), [&] { return parseRemotes(text); });
}
BENCHMARK(parseRemoteList)->Unit(benchmark::kMillisecond);

// What `jj log --no-graph -r ::` printed for a generated history of that many changes.
QByteArray logOutput(int changes)
{
    static std::map<int, QByteArray> outputs;
    QByteArray &output = outputs[changes];
    if (output.isEmpty()) {
        const QString repo = bench::repository(changes);
        if (!repo.isEmpty())
            output = bench::runJj(repo, {"log", "--no-graph", "-r", "::"});
    }
    return output;
}

// The list reader on the text as the runner hands it over.
void BM_ReadLog(benchmark::State &state)
{
    const QByteArray output = logOutput(int(state.range(0)));
    if (output.isEmpty())
        return state.SkipWithError("no jj output to read");
    const QString text = QString::fromUtf8(output);
    measureReader(state, output.size(), [&] { return parseChanges(text); });
}
BENCHMARK(BM_ReadLog)
    ->Arg(10000)
    ->Arg(100000)
    ->MinTime(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The same from jj's bytes, the runner's decoding included.
void BM_ReadLogFromBytes(benchmark::State &state)
{
    const QByteArray output = logOutput(int(state.range(0)));
    if (output.isEmpty())
        return state.SkipWithError("no jj output to read");
    measureReader(state, output.size(), [&] { return parseChanges(QString::fromUtf8(output)); });
}
BENCHMARK(BM_ReadLogFromBytes)
    ->Arg(10000)
    ->Arg(100000)
    ->MinTime(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

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
    platform::keepFreedMemory();
    bench::useOwnJjSettings();
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

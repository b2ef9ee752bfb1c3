#include "BenchRepository.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <array>
#include <cstdio>
#include <random>

namespace bench {

namespace {

QString &cacheRoot()
{
    static QString root;
    return root;
}

void complain(const QString &line)
{
    std::fprintf(stderr, "%s\n", qPrintable(line));
    std::fflush(stderr);
}

// Runs a program to its end; the benchmarks' set-up may block, the application never does.
bool runProgram(const QString &program, const QStringList &arguments, const QString &folder,
                const QString &inputFile = {}, QByteArray *output = nullptr)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.setStandardInputFile(inputFile.isEmpty() ? QProcess::nullDevice() : inputFile);
    if (!output)
        process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, arguments);
    const bool finished = process.waitForFinished(-1);
    if (output)
        *output = process.readAllStandardOutput();
    if (finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return true;
    complain(QStringLiteral("%1 %2 failed in %3: %4")
                 .arg(program, arguments.join(u' '), folder,
                      QString::fromUtf8(process.readAllStandardError()).trimmed()));
    return false;
}

// The history's texts. A fixed seed: every machine builds the same repository.
struct Author {
    const char *name;
    const char *email;
    const char *zone;
};
constexpr std::array authors{Author{"Ada Lovelace", "ada@example.com", "+0000"},
                             Author{"Zoë Åkesson", "zoe.akesson@example.org", "+0100"},
                             Author{"Ramón Núñez", "ramon@example.net", "-0500"}};
constexpr std::array areas{
    "", "", "", "", "list: ", "diff: ", "push: ", "sidebar: ", "docs: ", "build: ", "tests: "};
constexpr std::array verbs{"Fix",      "Add",    "Remove", "Update",   "Refactor", "Simplify",
                           "Speed up", "Handle", "Rename", "Document", "Check",    "Make room for"};
constexpr std::array objects{"the crash when a repository has no commits",
                             "CRLF line endings in descriptions",
                             "bookmark names that hold a slash",
                             "the update check's error text",
                             "the diff font on small screens",
                             "a second remote for pushes",
                             "the list's selection after a reload",
                             "Zoë's review notes on the sidebar",
                             "über-long file names in the diff",
                             "a time-out for slow fetches",
                             "the window state written at quit",
                             "translations of the toolbar (français, español)",
                             "drag and drop between rows",
                             "the message shown for an empty list",
                             "caching of author names",
                             "日本語 descriptions in the list",
                             "the parser's handling of tabs",
                             "keyboard shortcuts on the detail view"};
constexpr std::array tails{"",
                           "",
                           "",
                           " when the window closes",
                           " on slow disks",
                           " for large repositories",
                           " in the detail view",
                           " after a rebase",
                           " again",
                           " — follow-up"};
constexpr std::array bodyLines{
    "The list kept the old rows until the next reload, which looked like a hang.",
    "Measured on a repository with a long history; the figures did not move.",
    "This also drops a helper that nobody called any more.",
    "Reported by a user whose home folder sits on a network drive.",
    "The old behaviour stays behind the same menu item for now.",
    "See the review for the longer discussion; the simpler fix won.",
    "Nothing changes for repositories without a remote.",
    "Tested by hand on a window with two thousand rows selected."};
constexpr std::array trailers{"Reviewed-by: Ada Lovelace <ada@example.com>",
                              "Co-authored-by: Zoë Åkesson <zoe.akesson@example.org>",
                              "Fixes: 3f1c2a9d (\"list: keep rows in order\")"};
constexpr std::array folders{"src/list", "src/diff", "src/sidebar", "src/push",    "src/app",
                             "src/jj",   "docs",     "tests/list",  "tests/model", "resources"};
constexpr int filesPerFolder = 24;

template<typename Array> auto pick(std::mt19937 &random, const Array &array)
{
    return array[random() % array.size()];
}

QByteArray description(std::mt19937 &random)
{
    const unsigned shape = random() % 100;
    if (shape == 0)
        return {};
    QByteArray text = QByteArray(pick(random, areas));
    QByteArray verb = pick(random, verbs);
    if (!text.isEmpty())
        verb[0] = char(verb.at(0) - 'A' + 'a');
    text += verb;
    text += ' ';
    text += pick(random, objects);
    text += pick(random, tails);
    if (shape < 70)
        return text + '\n';
    text += "\n\n";
    const unsigned lines = 1 + random() % 3;
    for (unsigned i = 0; i < lines; ++i) {
        text += pick(random, bodyLines);
        text += '\n';
    }
    if (shape >= 90) {
        text += '\n';
        text += pick(random, trailers);
        text += '\n';
    }
    return text;
}

QByteArray fileContent(const QByteArray &path, int revision, int change)
{
    QByteArray text = "// " + path + "\n// Kept by the benchmark history.\n\n";
    for (int line = 0; line < 12; ++line)
        text += "static const int setting" + QByteArray::number(line) + " = " +
                QByteArray::number(line == revision % 12 ? change : line * 7) + ";\n";
    text += "\nint revision() { return " + QByteArray::number(revision) + "; }\n";
    return text;
}

// A git fast-import stream of a line of commits on refs/heads/main.
bool writeHistory(const QString &path, int changes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    std::mt19937 random(20250101);
    std::array<int, folders.size() * filesPerFolder> revisions{};
    qint64 when = 1546300800; // 2019-01-01
    for (int i = 0; i < changes; ++i) {
        const Author &author = authors[random() % 100 < 55 ? 0 : random() % 2 + 1];
        when += 60 + random() % 1800;
        const int fileIndex = int(random() % revisions.size());
        const QByteArray path = QByteArray(folders[fileIndex / filesPerFolder]) + "/file" +
                                QByteArray::number(fileIndex % filesPerFolder) + ".c";
        const QByteArray message = description(random);
        const QByteArray content = fileContent(path, ++revisions[fileIndex], i);
        const QByteArray person = QByteArray(author.name) + " <" + author.email + "> " +
                                  QByteArray::number(when) + ' ' + author.zone + '\n';
        QByteArray commit = "commit refs/heads/main\nauthor " + person + "committer " + person;
        commit += "data " + QByteArray::number(message.size()) + '\n' + message + '\n';
        commit += "M 100644 inline " + path + "\ndata " + QByteArray::number(content.size()) +
                  '\n' + content + '\n';
        if (file.write(commit) != commit.size())
            return false;
    }
    return file.flush();
}

QByteArray stampText(int changes)
{
    // Raised whenever the history's form changes, so that older repositories are rebuilt.
    return "ostrel benchmark repository, form 1, " + QByteArray::number(changes) + " changes\n";
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

void useOwnJjSettings()
{
    static QTemporaryDir home;
    cacheRoot() = QDir::homePath() + QStringLiteral("/.cache/ostrel/bench-repos");
    const QString config = home.filePath(QStringLiteral("jj-config.toml"));
    QFile(config).open(QIODevice::WriteOnly);
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral(".config")).toUtf8());
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral(".local/share")).toUtf8());
    qputenv("GIT_CONFIG_NOSYSTEM", "1");
    qputenv("JJ_CONFIG", config.toUtf8());
    qputenv("JJ_USER", "Bench User");
    qputenv("JJ_EMAIL", "bench@example.com");
    // A fixed seed would give every jj process the same new change ids.
    qunsetenv("JJ_RANDOMNESS_SEED");
}

QString bundledJj()
{
    return QStringLiteral(OSTREL_BUNDLED_JJ);
}

QByteArray runJj(const QString &folder, const QStringList &arguments)
{
    QByteArray output;
    return runProgram(bundledJj(), arguments, folder, {}, &output) ? output : QByteArray();
}

QString repository(int changes)
{
    if (cacheRoot().isEmpty())
        useOwnJjSettings();
    const QString folder = cacheRoot() + u'/' + QString::number(changes);
    const QString repo = folder + QStringLiteral("/repo");
    const QString stamp = folder + QStringLiteral("/complete");
    if (readAll(stamp) == stampText(changes))
        return repo;

    complain(QStringLiteral("Building the benchmark repository of %1 changes in %2 (once)")
                 .arg(changes)
                 .arg(folder));
    QDir(folder).removeRecursively();
    const QString history = folder + QStringLiteral("/history.fi");
    const QString git = QStringLiteral("git");
    const bool built =
        QDir().mkpath(repo) && writeHistory(history, changes) &&
        runProgram(git, {"init", "-q", "-b", "main", "."}, repo) &&
        runProgram(git, {"fast-import", "--quiet"}, repo, history) &&
        runProgram(git,
                   {"remote", "add", "origin", "https://git.example.com/ostrel/bench-history.git"},
                   repo) &&
        runProgram(git, {"update-ref", "refs/remotes/origin/main", "refs/heads/main"}, repo) &&
        runProgram(git, {"reset", "-q", "--hard", "main"}, repo) && QFile::remove(history) &&
        runProgram(bundledJj(), {"git", "init", "--colocate"}, repo) &&
        // The first listing after the import does one-time work no later run repeats.
        runProgram(bundledJj(), {"log", "--no-graph", "-r", "::"}, repo);
    QFile file(stamp);
    if (!built || !file.open(QIODevice::WriteOnly) || file.write(stampText(changes)) < 0) {
        complain(QStringLiteral("Could not build the benchmark repository in %1").arg(folder));
        return {};
    }
    return repo;
}

} // namespace bench

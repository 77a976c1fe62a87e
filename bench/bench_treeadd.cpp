// Adding a whole directory tree of 1,000,000 files (10,000 directories of 100
// files, three levels deep), a chain of 100,000 nested directories, and the
// one-directory add at 1,000,000 files,
// against find(1) on the same data in the same run, warm cache. Also: the
// longest pause of the window's event loop during the walk, how fast Cancel
// ends a walk, and the peak memory of a fresh program holding 1,000,000
// entries (measured in a child process, start-up included).
//
// The fixture trees are made once under $TMPDIR and kept for later runs.
#include "BenchSupport.h"
#include "BenchWindow.h"

#include "list/DirectoryAdd.h"
#include "list/EntryTable.h"
#include "platform/TreeWalk.h"
#include "ui/ListCommands.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTimer>

#include <memory>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using qn::bench::fixtureRoot;
using qn::bench::flatDir;

using qn::bench::peakKiB;
using qn::bench::treeDir;

void runFind(benchmark::State &state, const QString &dir, const char *depth)
{
    const QByteArray command = "find '" + QFile::encodeName(dir) + "' " + depth
                               + " -type f -printf '%s %T@ %p\\n' > /dev/null";
    for (auto _ : state) {
        if (std::system(command.constData()) != 0)
            state.SkipWithError("find failed");
    }
}

void BM_FindTree(benchmark::State &state) { runFind(state, treeDir(), ""); }

// A chain of 100,000 nested one-letter directories, a file every 1,000
// levels, made step by step as no path could reach its bottom.
QString chainDir() { return fixtureRoot() + QStringLiteral("/chain"); }
constexpr int ChainLevels = 100000;

void makeChain()
{
    QDir().mkpath(chainDir());
    int fd = ::open(QFile::encodeName(chainDir()).constData(), O_RDONLY | O_DIRECTORY);
    for (int level = 0; fd >= 0 && level < ChainLevels; ++level) {
        if (level % 1000 == 999)
            ::close(::openat(fd, "f", O_WRONLY | O_CREAT, 0644));
        ::mkdirat(fd, "d", 0755);
        const int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
    }
    ::close(fd);
}

void BM_FindChain(benchmark::State &state) { runFind(state, chainDir(), ""); }

void BM_ListToolChain(benchmark::State &state)
{
    const QByteArray command = "'" QUILNAVER_LIST_TOOL "' -r '" + QFile::encodeName(chainDir()) + "' -o /dev/null";
    for (auto _ : state) {
        if (std::system(command.constData()) != 0)
            state.SkipWithError("quilnaver-list failed");
    }
}

int openDescriptors() { return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::System).size()); }

// The walk of the chain with a thread counting the open descriptors meanwhile.
void measureChain()
{
    const std::atomic<bool> cancel{false};
    std::atomic<bool> done{false};
    const int before = openDescriptors();
    int most = before;
    std::thread sampler([&] {
        while (!done) {
            most = std::max(most, openDescriptors());
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    const qn::TreeWalkReport r = qn::walkTree(chainDir(), cancel);
    done = true;
    sampler.join();
    std::printf("\nA chain of %d nested directories (%lld files, %s):\n", ChainLevels, qlonglong(r.fileCount),
                qn::bench::verdict(r.fileCount == ChainLevels / 1000 && r.skipped.isEmpty()));
    std::printf("open descriptors during the walk: at most %d above the %d before (aim: at most 64 + %d threads) %s\n",
                most - before, before, r.threads, qn::bench::verdict(most - before <= 64 + r.threads));
}

// The command-line writer on the whole tree, as a whole process.
void BM_ListToolTree(benchmark::State &state)
{
    const QByteArray command = "'" QUILNAVER_LIST_TOOL "' -r '" + QFile::encodeName(treeDir()) + "' -o /dev/null";
    for (auto _ : state) {
        if (std::system(command.constData()) != 0)
            state.SkipWithError("quilnaver-list failed");
    }
}
void BM_FindFlat(benchmark::State &state) { runFind(state, flatDir(int(state.range(0))), "-maxdepth 1"); }

void BM_WalkTree(benchmark::State &state)
{
    const std::atomic<bool> cancel{false};
    for (auto _ : state) {
        const qn::TreeWalkReport r = qn::walkTree(treeDir(), cancel, {}, int(state.range(0)));
        if (r.fileCount != 1000000)
            state.SkipWithError("wrong number of files");
    }
}

// The walk and the append into the table, as the command does them.
void BM_WalkAndAppend(benchmark::State &state)
{
    const std::atomic<bool> cancel{false};
    std::unique_ptr<qn::EntryTable> table;
    for (auto _ : state) {
        state.PauseTiming();
        table = std::make_unique<qn::EntryTable>();
        state.ResumeTiming();
        qn::TreeWalkReport r = qn::walkTree(treeDir(), cancel);
        qn::AppendTree(*table, r);
        if (table->EntryCount() != 1000000)
            state.SkipWithError("wrong number of entries");
    }
}

// The batch append alone: the one moment the window waits for.
void BM_BatchAppend(benchmark::State &state)
{
    const std::atomic<bool> cancel{false};
    std::unique_ptr<qn::EntryTable> table;
    for (auto _ : state) {
        state.PauseTiming();
        table = std::make_unique<qn::EntryTable>();
        qn::TreeWalkReport r = qn::walkTree(treeDir(), cancel);
        state.ResumeTiming();
        qn::AppendTree(*table, r);
    }
}

qn::bench::BenchWindow *g_bench = nullptr;
qn::MainWindow *g_window = nullptr;
double g_longestGapMs = 0;
double g_cancelMs = 0;

void openDirectory(const QString &dir)
{
    g_bench->openDirectory(dir);
}

// The real command in the real window, with its progress window; a timer
// ticking every 10 ms records the longest pause of the event loop.
void BM_TreeAddCommand(benchmark::State &state)
{
    openDirectory(treeDir());
    for (auto _ : state) {
        state.PauseTiming();
        g_window->commands().NewList();
        QElapsedTimer clock;
        QTimer ticks;
        qint64 last = 0;
        QObject::connect(&ticks, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            g_longestGapMs = std::max(g_longestGapMs, (now - last) / 1e6);
            last = now;
        });
        state.ResumeTiming();
        clock.start();
        ticks.start(10);
        g_window->commands().AddDirectoryTree();
        ticks.stop();
        if (g_window->table().EntryCount() != 1000000)
            state.SkipWithError("wrong number of entries");
    }
}

void BM_AddFlatCommand(benchmark::State &state)
{
    openDirectory(flatDir(int(state.range(0))));
    for (auto _ : state) {
        state.PauseTiming();
        g_window->commands().NewList();
        state.ResumeTiming();
        g_window->commands().AddDirectoryFiles();
    }
    if (g_window->table().EntryCount() != state.range(0))
        state.SkipWithError("wrong number of entries");
}

// The tree add with 3 include and 6 exclude patterns that keep every file,
// against the same add without a filter, alternating so that both meet the
// same machine; the best of five of each.
void measureFilteredAdd()
{
    openDirectory(treeDir());
    const qn::NameFilter filter(qn::FilterPatterns{
        QStringLiteral("file*;*.dat;*.txt"),
        QStringLiteral("Thumbs.db;desktop.ini;.DS_Store;*.tmp;~*;*.bak"), QString(), false});
    double best[2] = {1e9, 1e9};
    bool allThere = true;
    for (int round = 0; round < 5; ++round) {
        for (int filtered = 0; filtered < 2; ++filtered) {
            g_window->commands().NewList();
            g_window->commands().setFilter(filtered ? filter : qn::NameFilter());
            QElapsedTimer clock;
            clock.start();
            g_window->commands().AddDirectoryTree();
            best[filtered] = std::min(best[filtered], clock.nsecsElapsed() / 1e9);
            allThere = allThere && g_window->table().EntryCount() == 1000000;
        }
    }
    g_window->commands().setFilter(qn::NameFilter());
    g_window->commands().NewList();
    std::printf("tree add with 3 include and 6 exclude patterns: %.0f ms vs %.0f ms without = %.2fx "
                "(aim: at most 1.10x) %s\n",
                best[1] * 1e3, best[0] * 1e3, best[1] / best[0],
                qn::bench::verdict(allThere && best[1] / best[0] <= 1.10));
}

// Cancel pressed 300 ms into the walk: how long until the command returns.
void measureCancel()
{
    openDirectory(treeDir());
    g_window->commands().NewList();
    QElapsedTimer sinceCancel;
    qn::bench::cancelAfter(300, sinceCancel);
    g_window->commands().AddDirectoryTree();
    g_cancelMs = sinceCancel.isValid() ? sinceCancel.nsecsElapsed() / 1e6 : -1;
    if (g_window->table().EntryCount() != 0)
        g_cancelMs = -2;
}

// A fresh program with the window shown: its memory after the add.
int memoryChild(const QString &what)
{
    qn::bench::BenchWindow bench(fixtureRoot());
    QApplication::processEvents();
    const qint64 startup = peakKiB("VmHWM:");
    if (what == QLatin1String("tree") || what == QLatin1String("chain")) {
        bench.openDirectory(what == QLatin1String("tree") ? treeDir() : chainDir());
        bench.window->commands().AddDirectoryTree();
    } else {
        bench.openDirectory(flatDir(1000000));
        bench.window->commands().AddDirectoryFiles();
    }
    QApplication::processEvents();
    std::printf("%lld %lld %lld %d\n", startup, peakKiB("VmHWM:"), peakKiB("VmRSS:"),
                bench.window->table().EntryCount());
    return 0;
}

// The peak (VmHWM, which unlike the rusage figure starts afresh at exec) of
// a fresh program doing `what`; at most `aim` MB in all, or above start-up.
void reportMemory(const char *what, const char *label, double aim = 300, bool aboveStartup = false)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--memory"), QLatin1String(what)});
    child.waitForFinished(600000);
    const QList<QByteArray> v = child.readAllStandardOutput().trimmed().split(' ');
    if (v.size() != 4) {
        std::printf("%-44s (not measured) %s\n", label, qn::bench::verdict(false));
        return;
    }
    const double mib = 1024.0;
    const double peak = (v[1].toDouble() - (aboveStartup ? v[0].toDouble() : 0)) * 1024 / 1e6;
    std::printf("%-44s start-up %6.1f MiB, peak (VmHWM) %6.1f MiB = %6.1f MB%s, after (VmRSS) %6.1f MiB, "
                "%s entries (aim: peak at most %.0f MB%s) %s\n",
                label, v[0].toDouble() / mib, v[1].toDouble() / mib, peak, aboveStartup ? " above start-up" : "",
                v[2].toDouble() / mib, v[3].constData(), aim, aboveStartup ? " above start-up" : "",
                qn::bench::verdict(peak <= aim));
}

} // namespace

BENCHMARK(BM_FindTree)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_ListToolTree)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_FindChain)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_ListToolChain)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_WalkTree)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_WalkAndAppend)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_BatchAppend)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_TreeAddCommand)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_FindFlat)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_AddFlatCommand)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

int main(int argc, char **argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--memory")
        return memoryChild(QString::fromLocal8Bit(argv[2]));

    qn::bench::ensureTree();
    qn::bench::ensureFixture(chainDir(), makeChain);
    QDir().mkpath(fixtureRoot() + QStringLiteral("/empty"));
    for (int n : {100000, 1000000})
        qn::bench::ensureFlatDir(n);

    qn::bench::BenchWindow bench(fixtureRoot());
    g_bench = &bench;
    g_window = bench.window.get();

    benchmark::Initialize(&argc, argv);
    qn::bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    measureCancel();

    const std::string it = "/iterations:3/real_time";
    std::printf("\nA tree of 1,000,000 files in 10,000 directories, warm cache (%u cores):\n",
                std::max(1u, std::thread::hardware_concurrency()));
    reporter.ratio("walk + append (threads: one per core) vs find -printf", "BM_WalkAndAppend" + it,
                   "BM_FindTree" + it, 0.5);
    reporter.ratio("the command in the window vs find -printf", "BM_TreeAddCommand" + it, "BM_FindTree" + it, 0.5);
    reporter.ratio("quilnaver-list -r TREE -o /dev/null vs find -printf", "BM_ListToolTree" + it, "BM_FindTree" + it,
                   0.6);
    // For comparison: the walk alone on one, two and four threads.
    for (const char *t : {"1", "2", "4"}) {
        const double walk = reporter.seconds("BM_WalkTree/" + std::string(t) + it);
        const double find = reporter.seconds("BM_FindTree" + it);
        if (walk > 0 && find > 0)
            std::printf("walk alone on %s thread(s): %.0f ms = %.2fx find -printf\n", t, walk * 1e3, walk / find);
    }
    std::printf("longest pause of the event loop during the command: %.1f ms (aim: at most 100 ms) %s\n",
                g_longestGapMs, qn::bench::verdict(g_longestGapMs <= 100));
    std::printf("the batch append at the end holds the window for: %.1f ms\n",
                reporter.seconds("BM_BatchAppend" + it) * 1e3);
    std::printf("Cancel 300 ms into the walk ends the command after: %.1f ms (aim: at most 500 ms) %s\n", g_cancelMs,
                qn::bench::verdict(g_cancelMs >= 0 && g_cancelMs <= 500));
    measureFilteredAdd();

    reporter.ratio("quilnaver-list -r CHAIN -o /dev/null vs find -printf", "BM_ListToolChain" + it,
                   "BM_FindChain" + it, 2.0);
    measureChain();

    std::printf("\nThe one-directory add:\n");
    for (const char *n : {"100000", "1000000"})
        reporter.ratio(std::string("add ") + n + " files vs find -printf", "BM_AddFlatCommand/" + std::string(n) + it,
                       "BM_FindFlat/" + std::string(n) + it, 0.75);
    const double per100k = reporter.seconds("BM_AddFlatCommand/100000" + it) / 100000;
    const double per1m = reporter.seconds("BM_AddFlatCommand/1000000" + it) / 1000000;
    if (per100k > 0 && per1m > 0)
        std::printf("per-file cost at 1,000,000 vs at 100,000: %.0f ns / %.0f ns = %.2fx (aim: at most 1.30x) %s\n",
                    per1m * 1e9, per100k * 1e9, per1m / per100k, qn::bench::verdict(per1m / per100k <= 1.3));

    std::printf("\nMemory of a fresh program, window shown:\n");
    reportMemory("tree", "tree add of 1,000,000 files:", 170);
    reportMemory("flat", "one-directory add of 1,000,000 files:");
    reportMemory("chain", "tree add of a chain 100,000 deep:", 64, true);
    benchmark::Shutdown();
    return qn::bench::exitStatus();
}

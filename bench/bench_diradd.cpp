// Adding a whole directory through the real main window, against find(1) and
// a bare readdir + fstatat loop over the same directory, warm cache.
#include "BenchSupport.h"
#include "BenchWindow.h"

#include "list/DirectoryAdd.h"
#include "list/EntryTable.h"
#include "ui/ListCommands.h"

#include <QApplication>
#include <QTableView>

#include <memory>

#include <dirent.h>
#include <sys/stat.h>

namespace {

QTemporaryDir g_root;
qn::bench::BenchWindow *g_bench = nullptr;
qn::MainWindow *g_window = nullptr;

QString dirFor(int n) { return g_root.path() + QStringLiteral("/d%1").arg(n); }

void BM_Find(benchmark::State &state)
{
    const QByteArray command = "find '" + QFile::encodeName(dirFor(int(state.range(0))))
                               + "' -maxdepth 1 -type f -printf '%s %T@ %f\\n' > /dev/null";
    for (auto _ : state) {
        if (std::system(command.constData()) != 0)
            state.SkipWithError("find failed");
    }
}

void BM_ReaddirFstatat(benchmark::State &state)
{
    const QByteArray dir = QFile::encodeName(dirFor(int(state.range(0))));
    for (auto _ : state) {
        DIR *d = ::opendir(dir.constData());
        long long total = 0;
        while (const dirent *e = ::readdir(d)) {
            if (e->d_name[0] == '.')
                continue;
            struct stat st;
            if (::fstatat(::dirfd(d), e->d_name, &st, 0) == 0 && S_ISREG(st.st_mode))
                total += st.st_size + st.st_mtim.tv_sec;
        }
        ::closedir(d);
        benchmark::DoNotOptimize(total);
    }
}

// The same work without any window: scan, duplicate test, stamp, append.
void BM_TableOnly(benchmark::State &state)
{
    const QString dir = dirFor(int(state.range(0))) + QLatin1Char('/');
    std::unique_ptr<qn::EntryTable> kept;
    for (auto _ : state) {
        state.PauseTiming();
        kept = std::make_unique<qn::EntryTable>();
        state.ResumeTiming();
        qn::DirScanner scan(dir);
        qn::AppendDirectory(*kept, dir, scan, [] {});
    }
}

void openDirectory(int n)
{
    g_bench->openDirectory(dirFor(n));
}

void BM_AddDirectory(benchmark::State &state)
{
    openDirectory(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        g_window->commands().NewList();
        state.ResumeTiming();
        g_window->commands().AddDirectoryFiles();
    }
    if (g_window->table().EntryCount() != state.range(0))
        state.SkipWithError("wrong number of entries");
}

void BM_AddDirectoryAgain(benchmark::State &state)
{
    openDirectory(int(state.range(0)));
    g_window->commands().NewList();
    g_window->commands().AddDirectoryFiles();
    for (auto _ : state)
        g_window->commands().AddDirectoryFiles();
    if (g_window->table().EntryCount() != state.range(0))
        state.SkipWithError("wrong number of entries");
}

// Removing entry 1 of 100,000, and clearing 100,000 entries.
void BM_RemoveFirst(benchmark::State &state)
{
    openDirectory(100000);
    for (auto _ : state) {
        state.PauseTiming();
        g_window->commands().NewList();
        g_window->commands().AddDirectoryFiles();
        auto *grid = g_window->findChild<QTableView *>(QStringLiteral("MSFlexGrid1"));
        grid->setCurrentIndex(grid->model()->index(0, 0));
        state.ResumeTiming();
        g_window->commands().DeleteSelectedEntry();
    }
}

void BM_NewList(benchmark::State &state)
{
    openDirectory(100000);
    for (auto _ : state) {
        state.PauseTiming();
        g_window->commands().AddDirectoryFiles();
        state.ResumeTiming();
        g_window->commands().NewList();
    }
}

void BM_UnitChange(benchmark::State &state)
{
    openDirectory(100000);
    g_window->commands().NewList();
    g_window->commands().AddDirectoryFiles();
    for (auto _ : state)
        g_window->toolbarClicked(QStringLiteral("Hyoji"));
}

} // namespace

BENCHMARK(BM_Find)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_ReaddirFstatat)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_TableOnly)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_AddDirectory)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_AddDirectoryAgain)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_RemoveFirst)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_NewList)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_UnitChange)->Unit(benchmark::kMillisecond)->Iterations(20);

int main(int argc, char **argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    for (int n : {10000, 100000})
        qn::bench::makeFiles(dirFor(n), n);

    qn::bench::BenchWindow bench(g_root.path());
    g_bench = &bench;
    g_window = bench.window.get();

    benchmark::Initialize(&argc, argv);
    qn::bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\nAdding a whole directory (grid showing the rows), warm cache:\n");
    for (const char *n : {"10000", "100000"}) {
        const std::string s(n), t = "/min_time:1.000/real_time";
        reporter.ratio("add " + s + " vs find -printf", "BM_AddDirectory/" + s + t, "BM_Find/" + s + t, 0.75);
        reporter.ratio("add " + s + " vs readdir + fstatat", "BM_AddDirectory/" + s + t,
                       "BM_ReaddirFstatat/" + s + t, 1.5);
        reporter.ratio("add " + s + " again (all duplicates) vs first add", "BM_AddDirectoryAgain/" + s + t,
                       "BM_AddDirectory/" + s + t, 1.0);
    }
    const double removeFirst = reporter.seconds("BM_RemoveFirst/iterations:5");
    const double newList = reporter.seconds("BM_NewList/iterations:5");
    std::printf("remove entry 1 of 100,000: %.2f ms (aim: under 50 ms) %s\n", removeFirst * 1e3,
                qn::bench::verdict(removeFirst > 0 && removeFirst < 0.05));
    std::printf("new list on 100,000: %.2f ms (aim: under 50 ms) %s\n", newList * 1e3,
                qn::bench::verdict(newList > 0 && newList < 0.05));
    std::printf("unit change on 100,000: %.3f ms\n", reporter.seconds("BM_UnitChange/iterations:20") * 1e3);
    benchmark::Shutdown();
    return qn::bench::exitStatus();
}

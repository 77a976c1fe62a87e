// Working with a long list in the real window: sorting 1,000,000 entries by
// name and by size (a click on a column title), and removing 50,000
// scattered selected rows of 100,000 at once. Each sort must reach the grid
// as one layout change.
#include "BenchSupport.h"
#include "BenchWindow.h"

#include "ui/ListCommands.h"

#include <QApplication>
#include <QHeaderView>
#include <QItemSelection>
#include <QTableView>

namespace {

qn::bench::BenchWindow *g_bench = nullptr;
qn::MainWindow *g_window = nullptr;
int g_layoutChanges = 0;
int g_sorts = 0;

QTableView *grid() { return g_window->findChild<QTableView *>(QStringLiteral("MSFlexGrid1")); }

void fill(int n)
{
    if (g_window->table().EntryCount() == n)
        return;
    g_window->commands().NewList();
    g_bench->openDirectory(qn::bench::flatDir(n));
    g_window->commands().AddDirectoryFiles();
}

// Clicks a column title: the first click sorts up, the next down, and so on.
void BM_SortByTitle(benchmark::State &state)
{
    fill(1000000);
    for (auto _ : state) {
        emit grid()->horizontalHeader()->sectionClicked(int(state.range(0)));
        ++g_sorts;
    }
    if (g_window->table().EntryCount() != 1000000)
        state.SkipWithError("wrong number of entries");
}

void BM_RemoveEveryOtherRow(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        fill(100000);
        QItemSelection every;
        for (int row = 0; row < 100000; row += 2)
            every.select(grid()->model()->index(row, 0), grid()->model()->index(row, 3));
        grid()->selectionModel()->select(every, QItemSelectionModel::ClearAndSelect);
        state.ResumeTiming();
        g_window->commands().DeleteSelectedEntry();
        state.PauseTiming();
        if (g_window->table().EntryCount() != 50000)
            state.SkipWithError("wrong number of entries left");
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(BM_SortByTitle)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(4)->UseRealTime();
BENCHMARK(BM_RemoveEveryOtherRow)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

int main(int argc, char **argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    for (int n : {100000, 1000000})
        qn::bench::ensureFlatDir(n);

    qn::bench::BenchWindow bench(qn::bench::fixtureRoot());
    g_bench = &bench;
    g_window = bench.window.get();
    QObject::connect(grid()->model(), &QAbstractItemModel::layoutChanged, [] { ++g_layoutChanges; });

    benchmark::Initialize(&argc, argv);
    qn::bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const std::string it = "/iterations:4/real_time";
    const auto limit = [](double seconds, double aim) { return qn::bench::verdict(seconds > 0 && seconds <= aim); };
    const double byName = reporter.seconds("BM_SortByTitle/0" + it);
    const double bySize = reporter.seconds("BM_SortByTitle/1" + it);
    std::printf("\nsort 1,000,000 entries by name: %.0f ms (aim: at most 1500 ms) %s\n", byName * 1e3,
                limit(byName, 1.5));
    std::printf("sort 1,000,000 entries by size: %.0f ms (aim: at most 300 ms) %s\n", bySize * 1e3, limit(bySize, 0.3));
    const double changes = g_sorts ? double(g_layoutChanges) / g_sorts : 0.0;
    std::printf("layout changes per sort: %.2f (aim: 1) %s\n", changes, qn::bench::verdict(changes == 1.0));
    const double removal = reporter.seconds("BM_RemoveEveryOtherRow/iterations:5/real_time");
    std::printf("remove 50,000 scattered selected rows of 100,000: %.1f ms (aim: at most 100 ms) %s\n", removal * 1e3,
                limit(removal, 0.1));
    benchmark::Shutdown();
    return qn::bench::exitStatus();
}

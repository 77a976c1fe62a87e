// Adding the n-th file costs the same at n = 1,000 and n = 100,000: the
// duplicate test is a hash lookup, not a scan of the table.
#include "BenchSupport.h"

#include "list/EntryTable.h"

#include <QCoreApplication>

#include <optional>

namespace {

QTemporaryDir g_dir;
QString g_path;
constexpr int Files = 100000;
constexpr int Batch = 1000;

// Appends files [0, upTo) untimed, then times the next Batch appends.
void appendAt(benchmark::State &state, int upTo)
{
    std::optional<qn::EntryTable> kept; // destroyed outside the timed part
    for (auto _ : state) {
        state.PauseTiming();
        kept.emplace();
        qn::EntryTable &table = *kept;
        for (int i = 0; i < upTo - Batch; ++i)
            table.AppendEntry(g_path, QStringLiteral("file%1.dat").arg(i));
        state.ResumeTiming();
        for (int i = upTo - Batch; i < upTo; ++i)
            benchmark::DoNotOptimize(table.AppendEntry(g_path, QStringLiteral("file%1.dat").arg(i)));
    }
    state.counters["ns_per_add"] =
        benchmark::Counter(double(Batch), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_AppendNear1000(benchmark::State &state) { appendAt(state, 2 * Batch); }
void BM_AppendNear100000(benchmark::State &state) { appendAt(state, Files); }

} // namespace

BENCHMARK(BM_AppendNear1000)->Unit(benchmark::kMicrosecond)->Iterations(20);
BENCHMARK(BM_AppendNear100000)->Unit(benchmark::kMicrosecond)->Iterations(5);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    g_path = g_dir.path() + QLatin1Char('/');
    qn::bench::makeFiles(g_dir.path(), Files);
    benchmark::Initialize(&argc, argv);
    qn::bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nOne add, through AppendEntry with real files (1,000 adds timed at each size):\n");
    reporter.ratio("per add at n = 100,000 vs at n = 1,000", "BM_AppendNear100000/iterations:5",
                   "BM_AppendNear1000/iterations:20", 2.0);
    benchmark::Shutdown();
    return qn::bench::exitStatus();
}

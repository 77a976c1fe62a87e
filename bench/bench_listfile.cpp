// Writing the list file and the CSV of 100,000 entries, each against writing
// the same bytes with no conversion at all.
#include "BenchSupport.h"

#include "list/EntryTable.h"
#include "output/CsvFile.h"
#include "output/ListFile.h"
#include "platform/SafeWrite.h"

#include <QCoreApplication>

namespace {

QTemporaryDir g_dir;
qn::EntryTable g_table;
QByteArray g_bytes;
QByteArray g_csvBytes;

void BM_WriteList(benchmark::State &state)
{
    for (auto _ : state) {
        const QByteArray bytes = qn::ListFileText(g_table, 3);
        if (!qn::saveBytes(g_dir.path() + "/list.txt", bytes))
            state.SkipWithError("write failed");
    }
}

void BM_WriteSameBytes(benchmark::State &state)
{
    for (auto _ : state) {
        if (!qn::saveBytes(g_dir.path() + "/plain.txt", g_bytes))
            state.SkipWithError("write failed");
    }
}

void BM_WriteCsv(benchmark::State &state)
{
    for (auto _ : state) {
        const QByteArray bytes = qn::CsvFileText(g_table);
        if (!qn::saveBytes(g_dir.path() + "/list.csv", bytes))
            state.SkipWithError("write failed");
    }
}

void BM_BuildCsvOnly(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(qn::CsvFileText(g_table));
}

void BM_WriteSameCsvBytes(benchmark::State &state)
{
    for (auto _ : state) {
        if (!qn::saveBytes(g_dir.path() + "/plain.csv", g_csvBytes))
            state.SkipWithError("write failed");
    }
}

} // namespace

BENCHMARK(BM_WriteList)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_WriteSameBytes)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_WriteCsv)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_BuildCsvOnly)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_WriteSameCsvBytes)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // Mostly plain names, one in five Japanese, as a real list would be.
    for (int i = 0; i < 100000; ++i) {
        const QString name = i % 5 == 0 ? QStringLiteral("写真_%1_東京.jpg").arg(i) : QStringLiteral("document-%1.txt").arg(i);
        const qint64 size = qint64(i) * 7919 % 50000000;
        // Every entry its own time: no two rows share a formatted date.
        const qint64 modified = 1700000000 + qint64(i) * 7877 % 100000000;
        g_table.AppendEntry(QStringLiteral("/data/"), name, [size, modified](qn::FileStamp &s) {
            s.size = size;
            s.modified = modified;
            return true;
        });
    }
    g_bytes = qn::ListFileText(g_table, 3);
    g_csvBytes = qn::CsvFileText(g_table);
    benchmark::Initialize(&argc, argv);
    qn::bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nList file of 100,000 entries (%lld bytes):\n", static_cast<long long>(g_bytes.size()));
    reporter.ratio("build + convert + write vs write only", "BM_WriteList/min_time:1.000/real_time",
                   "BM_WriteSameBytes/min_time:1.000/real_time", 3.0);
    std::printf("CSV of 100,000 entries (%lld bytes):\n", static_cast<long long>(g_csvBytes.size()));
    reporter.ratio("build + convert + write vs write only", "BM_WriteCsv/min_time:1.000/real_time",
                   "BM_WriteSameCsvBytes/min_time:1.000/real_time", 3.0);
    benchmark::Shutdown();
    return qn::bench::exitStatus();
}

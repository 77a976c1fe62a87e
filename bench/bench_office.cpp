// The list for the office: 1,000,000 entries written as a workbook against
// writing their CSV, the workbook's peak memory above the list held (a child
// process, so nothing else counts), and a PDF of 100,000 entries.
#include "BenchSupport.h"

#include "layout/PageLayout.h"
#include "list/EntryTable.h"
#include "output/CsvFile.h"
#include "output/XlsxFile.h"
#include "platform/SafeWrite.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>

#include <cstring>

namespace {

using qn::bench::fixtureRoot;

QString outPath(const char *name) { return fixtureRoot() + QStringLiteral("/office-") + QLatin1String(name); }

// Entries as a tree add makes them: 1,000 directories of 1,000 files.
void fill(qn::EntryTable &table, int entries)
{
    table.reserve(entries);
    for (int d = 0; d < (entries + 999) / 1000; ++d) {
        const QString dir = QStringLiteral("/srv/delivery/2026/batch%1/").arg(d);
        for (int f = 0; f < 1000 && d * 1000 + f < entries; ++f) {
            const qint64 i = d * 1000 + f;
            table.AppendEntry(dir, QStringLiteral("file%1.dat").arg(f), [i](qn::FileStamp &s) {
                s.size = (i * 7919) % 100000000;
                s.modified = 1700000000 + i * 37;
                return true;
            });
        }
    }
}

qn::EntryTable g_million;
qn::EntryTable g_hundredThousand;

void BM_WriteCsv(benchmark::State &state)
{
    for (auto _ : state) {
        if (!qn::saveBytes(outPath("list.csv"), qn::CsvFileText(g_million)))
            state.SkipWithError("cannot write");
    }
}

void BM_WriteXlsx(benchmark::State &state)
{
    for (auto _ : state) {
        if (qn::saveXlsxFile(outPath("list.xlsx"), g_million) != qn::XlsxResult::Written)
            state.SkipWithError("cannot write");
    }
}

void BM_WritePdf(benchmark::State &state)
{
    qn::PageOptions options;
    options.title = QStringLiteral("リスト");
    options.printedAt = QStringLiteral("2026/12/09 10:00");
    for (auto _ : state) {
        int pages = 0;
        if (qn::savePdfFile(outPath("list.pdf"), g_hundredThousand, options, qn::defaultPageLayout(), &pages)
            != qn::PdfResult::Written)
            state.SkipWithError("cannot write");
        state.counters["pages"] = pages;
    }
}

// The child: the list, then the workbook; the peak before and after, in KiB.
int measureMemory()
{
    qn::EntryTable table;
    fill(table, 1000000);
    const qint64 held = qn::bench::peakKiB();
    const bool written = qn::saveXlsxFile(outPath("memory.xlsx"), table) == qn::XlsxResult::Written;
    std::printf("%lld %lld %d\n", held, qn::bench::peakKiB(), written ? 1 : 0);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--memory") == 0)
        return measureMemory();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QDir().mkpath(fixtureRoot());
    fill(g_million, 1000000);
    fill(g_hundredThousand, 100000);

    benchmark::Initialize(&argc, argv);
    BENCHMARK(BM_WriteCsv)->Unit(benchmark::kMillisecond)->Iterations(3);
    BENCHMARK(BM_WriteXlsx)->Unit(benchmark::kMillisecond)->Iterations(1);
    BENCHMARK(BM_WritePdf)->Unit(benchmark::kMillisecond)->Iterations(1);
    qn::bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const std::string it = "/iterations:";
    reporter.ratio("1,000,000 entries: workbook vs CSV", "BM_WriteXlsx" + it + "1", "BM_WriteCsv" + it + "3", 4.0);
    const double pdf = reporter.seconds("BM_WritePdf" + it + "1");
    std::printf("a PDF of 100,000 entries: %.2f s (aim: at most 10 s) %s\n", pdf,
                qn::bench::verdict(pdf > 0 && pdf <= 10));

    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--memory")});
    child.waitForFinished(600000);
    const QList<QByteArray> v = child.readAllStandardOutput().trimmed().split(' ');
    const double above = v.size() == 3 && v[2] == "1" ? (v[1].toDouble() - v[0].toDouble()) * 1024 / 1e6 : -1;
    std::printf("the workbook of 1,000,000 entries: list held %.1f MB, peak %.1f MB, %.1f MB above "
                "(aim: at most 60 MB) %s\n",
                v.size() == 3 ? v[0].toDouble() * 1024 / 1e6 : -1.0, v.size() == 3 ? v[1].toDouble() * 1024 / 1e6 : -1.0,
                above, qn::bench::verdict(above >= 0 && above <= 60));
    for (const char *name : {"list.csv", "list.xlsx", "list.pdf", "memory.xlsx"})
        QFile::remove(outPath(name));
    benchmark::Shutdown();
    return qn::bench::exitStatus();
}

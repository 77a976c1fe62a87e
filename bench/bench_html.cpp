// The HTML page of a list of 1,000,000 files: its size per file and of the
// page itself, and the time to make it against the CSV of the same list.
// Then the pages are opened in headless Chromium (bench/html_browser.py):
// time until usable, a search with 500,000 matches, a sort of a folder of
// 1,000,000 files, the longest task meanwhile and the renderer's peak memory.
#include "BenchSupport.h"

#include "list/EntryTable.h"
#include "output/CsvFile.h"
#include "output/HtmlSnapshot.h"

#include <QCoreApplication>
#include <QProcess>

namespace {

qn::EntryTable g_tree;  // 10,000 folders of 100 files, three levels deep
qn::EntryTable g_flat;  // one folder of 1,000,000 files
constexpr int Files = 1000000;

// Names of 20 ASCII characters; every other one holds "match" (the search
// the browser times), the others never do.
QString nameOf(int i)
{
    return QStringLiteral("%1_%2.dat").arg(i % 2 == 0 ? QLatin1String("match") : QLatin1String("other"))
        .arg(i, 10, 10, QLatin1Char('0')) + QStringLiteral("xy");
}

void fill(qn::EntryTable &table, bool flat)
{
    table.reserve(Files);
    for (int i = 0; i < Files; ++i) {
        const int folder = i / 100;
        const QString directory = flat ? QStringLiteral("/srv/archive/all/")
                                       : QStringLiteral("/srv/archive/a%1/b%2/c%3/")
                                             .arg(folder / 1000)
                                             .arg(folder / 100 % 10)
                                             .arg(folder % 100);
        const qint64 size = qint64(i) * 7919 % 50000000;
        const qint64 modified = 1700000000 + qint64(i) * 7877 % 100000000;
        table.AppendEntry(directory, nameOf(i), [size, modified](qn::FileStamp &s) {
            s.size = size;
            s.modified = modified;
            return true;
        });
    }
}

void BM_Html(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(qn::HtmlSnapshotText(g_tree, {QStringLiteral("bench"), 3, 1700000000}));
}

void BM_Csv(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(qn::CsvFileText(g_tree));
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

} // namespace

BENCHMARK(BM_Html)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_Csv)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    fill(g_tree, false);
    benchmark::Initialize(&argc, argv);
    qn::bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const qn::EntryTable empty;
    const qint64 pageOnly = qn::HtmlSnapshotText(empty, {QStringLiteral("bench"), 3, 1700000000}).size();
    const QByteArray page = qn::HtmlSnapshotText(g_tree, {QStringLiteral("bench"), 3, 1700000000});
    const double perFile = double(page.size() - pageOnly) / Files;
    std::printf("\nHTML page of 1,000,000 files with 20-character names in 10,000 folders (%lld bytes):\n",
                static_cast<long long>(page.size()));
    std::printf("%-58s %9.1f bytes  (aim: at most 60) %s\n", "size per file", perFile,
                qn::bench::verdict(perFile <= 60));
    std::printf("%-58s %9.1f KB     (aim: at most 100) %s\n", "the page itself (an empty list)", pageOnly / 1000.0,
                qn::bench::verdict(pageOnly <= 100000));
    reporter.ratio("make the page vs make the CSV", "BM_Html/min_time:2.000/real_time",
                   "BM_Csv/min_time:2.000/real_time", 2.0);
    benchmark::Shutdown();

    // The pages the browser opens: kept beside the other fixtures.
    const QString dir = qn::bench::fixtureRoot() + QStringLiteral("/html");
    QDir().mkpath(dir);
    const QString treePage = dir + QStringLiteral("/tree.html");
    const QString flatPage = dir + QStringLiteral("/flat.html");
    bool written = writeFile(treePage, page);
    fill(g_flat, true);
    written = writeFile(flatPage, qn::HtmlSnapshotText(g_flat, {QStringLiteral("bench"), 3, 1700000000})) && written;
    if (!written) {
        std::printf("%-58s  (cannot write the pages in %s) %s\n", "pages for the browser", qPrintable(dir),
                    qn::bench::verdict(false));
        return qn::bench::exitStatus();
    }
    std::fflush(stdout);
    QProcess browser;
    browser.setProcessChannelMode(QProcess::ForwardedChannels);
    browser.start(QStringLiteral(QUILNAVER_PYTHON3),
                  {QStringLiteral(QUILNAVER_SOURCE_DIR "/bench/html_browser.py"), treePage, flatPage});
    const bool ran = browser.waitForFinished(-1) && browser.exitStatus() == QProcess::NormalExit;
    std::printf("%-58s %s\n", "aims in the browser", qn::bench::verdict(ran && browser.exitCode() == 0));
    return qn::bench::exitStatus();
}

// A list of 1,000,000 entries read back and checked: opening its CSV against
// writing it, checking it against the disk against find(1) on the same tree,
// comparing two such lists; in the real window, the longest pause of the
// event loop during the check, how fast Cancel ends it, and the peak memory
// of a fresh program opening the CSV, or the same list kept as a catalogue
// volume (a child process, start-up included).
#include "BenchSupport.h"
#include "BenchWindow.h"

#include "catalogue/Catalogue.h"
#include "list/Check.h"
#include "list/DirectoryAdd.h"
#include "list/EntryTable.h"
#include "output/CsvFile.h"
#include "output/CsvReader.h"
#include "platform/SafeWrite.h"
#include "platform/TreeWalk.h"
#include "ui/CatalogueCommands.h"
#include "ui/ListCommands.h"
#include "ui/Services.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTimer>

#include <memory>

namespace {

using qn::bench::fixtureRoot;
using qn::bench::treeDir;

QString csvPath() { return fixtureRoot() + QStringLiteral("/tree.csv"); }
QString cataloguePath() { return fixtureRoot() + QStringLiteral("/tree.qncat"); }

qn::EntryTable g_tree; // the tree as a list, as the tree add makes it

void BM_WriteCsv(benchmark::State &state)
{
    for (auto _ : state) {
        if (!qn::saveBytes(csvPath(), qn::CsvFileText(g_tree)))
            state.SkipWithError("cannot write");
    }
}

void BM_OpenCsv(benchmark::State &state)
{
    for (auto _ : state) {
        QFile file(csvPath());
        if (!file.open(QIODevice::ReadOnly))
            state.SkipWithError("cannot read");
        qn::CsvReadResult read = qn::readListCsv(file.readAll());
        qn::EntryTable table;
        qn::AppendCsvList(table, read.list);
        if (table.EntryCount() != g_tree.EntryCount())
            state.SkipWithError("wrong number of entries");
        state.PauseTiming(); // freeing the table is not part of opening
        table.Clear();
        state.ResumeTiming();
    }
}

void BM_FindTree(benchmark::State &state)
{
    const QByteArray command = "find '" + QFile::encodeName(treeDir()) + "' -type f -printf '%s %T@ %p\\n' > /dev/null";
    for (auto _ : state) {
        if (std::system(command.constData()) != 0)
            state.SkipWithError("find failed");
    }
}

// The whole check, as the command does it: prepare, the pass with the
// scope walked for new files, the findings.
void BM_CheckDisk(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        qn::EntryTable table = g_tree;
        state.ResumeTiming();
        qn::DiskCheck check = qn::PrepareDiskCheck(table, qn::CheckScope{{treeDir() + QStringLiteral("/")}, true});
        const std::atomic<bool> never{false};
        qn::RunDiskCheck(check, never);
        qn::Findings findings = qn::DiskFindings(check);
        const qn::CheckCounts counts = qn::ApplyCheck(table, findings);
        if (counts.same != g_tree.EntryCount())
            state.SkipWithError("not all the same");
    }
}

void BM_CompareLists(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        qn::EntryTable table = g_tree;
        state.ResumeTiming();
        qn::Findings findings = qn::ListFindings(table, g_tree);
        const qn::CheckCounts counts = qn::ApplyCheck(table, findings);
        if (counts.same != g_tree.EntryCount())
            state.SkipWithError("not all the same");
    }
}

class FixedChooser : public qn::SaveFileChooser {
public:
    std::optional<QString> choose(QWidget *, const QString &, const QString &, const QString &,
                                  const QString &) override
    {
        return path;
    }
    std::optional<QString> chooseToOpen(QWidget *, const QString &, const QString &, const QString &) override
    {
        return path;
    }
    QString path;
};

// The window opening the CSV, then checking it against the disk with a
// ticking timer; Cancel pressed 300 ms into a second check.
struct WindowFigures {
    double longestGapMs = 0;
    double cancelMs = -1;
    int checkedRows = 0;
};

WindowFigures measureWindow()
{
    WindowFigures figures;
    qn::bench::BenchWindow bench(fixtureRoot());
    FixedChooser chooser;
    chooser.path = csvPath();
    bench.setChooser(&chooser);
    bench.window->records().OpenCsvFile();
    QElapsedTimer clock;
    QTimer ticks;
    qint64 last = 0;
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        figures.longestGapMs = std::max(figures.longestGapMs, (now - last) / 1e6);
        last = now;
    });
    clock.start();
    ticks.start(10);
    bench.window->records().CheckAgainstDisk();
    ticks.stop();
    figures.checkedRows = bench.window->table().EntryCount();

    QElapsedTimer sinceCancel;
    qn::bench::cancelAfter(300, sinceCancel);
    bench.window->records().CheckAgainstDisk();
    figures.cancelMs = sinceCancel.isValid() ? sinceCancel.nsecsElapsed() / 1e6 : -1;
    return figures;
}

// A fresh program with the window shown: its memory after opening the CSV
// ("csv") or the catalogue's one volume ("catalogue").
int memoryChild(const QByteArray &what)
{
    qn::bench::BenchWindow bench(fixtureRoot());
    FixedChooser chooser;
    chooser.path = csvPath();
    bench.setChooser(&chooser);
    QApplication::processEvents();
    const qint64 startup = qn::bench::peakKiB();
    if (what == "csv") {
        bench.window->records().OpenCsvFile();
    } else {
        qn::Catalogue catalogue;
        std::vector<qn::VolumeInfo> volumes;
        if (catalogue.open(cataloguePath(), false) != qn::CatalogueError::None
            || catalogue.volumes(volumes) != qn::CatalogueError::None || volumes.size() != 1)
            return 1;
        catalogue.close();
        bench.window->catalogue().openVolume(cataloguePath(), volumes[0].id, volumes[0].name);
    }
    QApplication::processEvents();
    std::printf("%lld %lld %d\n", startup, qn::bench::peakKiB(), bench.window->table().EntryCount());
    return 0;
}

void reportMemory(const char *what, const char *label)
{
    constexpr double aim = 170; // MB, start-up included
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--memory"), QLatin1String(what)});
    child.waitForFinished(600000);
    const QList<QByteArray> v = child.readAllStandardOutput().trimmed().split(' ');
    const double peak = v.size() == 3 ? v[1].toDouble() * 1024 / 1e6 : -1;
    std::printf("%s: start-up %.1f MB, peak %.1f MB, %s entries (aim: at most %.0f MB) %s\n", label,
                v.size() == 3 ? v[0].toDouble() * 1024 / 1e6 : -1.0, peak, v.value(2).constData(), aim,
                qn::bench::verdict(peak > 0 && peak <= aim));
}

} // namespace

BENCHMARK(BM_WriteCsv)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_OpenCsv)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_FindTree)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_CheckDisk)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_CompareLists)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

int main(int argc, char **argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--memory")
        return memoryChild(argv[2]);

    qn::bench::ensureTree();
    const std::atomic<bool> never{false};
    qn::TreeWalkReport walked = qn::walkTree(treeDir(), never);
    qn::AppendTree(g_tree, walked);
    qn::saveBytes(csvPath(), qn::CsvFileText(g_tree));
    {
        QFile::remove(cataloguePath());
        qn::Catalogue catalogue;
        if (catalogue.open(cataloguePath(), true) != qn::CatalogueError::None
            || catalogue.addVolume(QStringLiteral("tree"), g_tree, {}) != qn::CatalogueError::None)
            std::fprintf(stderr, "cannot write the catalogue %s\n", qPrintable(cataloguePath()));
    }

    benchmark::Initialize(&argc, argv);
    qn::bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const WindowFigures window = measureWindow();

    const std::string it = "/iterations:3/real_time";
    std::printf("\nA list of %d entries (a tree of 10,000 directories), warm cache:\n", g_tree.EntryCount());
    reporter.ratio("open its CSV vs write it", "BM_OpenCsv" + it, "BM_WriteCsv" + it, 3.0);
    reporter.ratio("check against the disk, scope walked, vs find -printf", "BM_CheckDisk" + it, "BM_FindTree" + it, 0.5);
    const double compare = reporter.seconds("BM_CompareLists" + it);
    std::printf("compare two lists of %d entries: %.0f ms (aim: at most 2000 ms) %s\n", g_tree.EntryCount(),
                compare * 1e3, qn::bench::verdict(compare > 0 && compare <= 2.0));
    std::printf("the window's check of %d entries: longest pause of the event loop %.1f ms (aim: at most 100 ms) %s\n",
                window.checkedRows, window.longestGapMs, qn::bench::verdict(window.longestGapMs <= 100));
    std::printf("Cancel 300 ms into the check ends it after: %.1f ms (aim: at most 500 ms) %s\n", window.cancelMs,
                qn::bench::verdict(window.cancelMs >= 0 && window.cancelMs <= 500));

    reportMemory("csv", "a fresh window opening the CSV");
    reportMemory("catalogue", "a fresh window opening it as a catalogue volume");
    benchmark::Shutdown();
    return qn::bench::exitStatus();
}

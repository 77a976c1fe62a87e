// SHA-256 against the plain tools on the same files in the same run, page
// cache warm: one file of 1 GiB against `openssl dgst -sha256`, and 10,000
// files of 100 KiB with that one against sha256sum, on every core. Also the
// memory a very large (sparse) file costs, in a fresh child process, and the
// command line as users run it (`quilnaver-list --sha256 -f csv FILE`, the
// whole process) against `openssl dgst -sha256 FILE` on the file in the page
// cache of tmpfs and of the disk the fixtures are on.
#include "BenchSupport.h"

#include "list/EntryTable.h"
#include "list/Hashing.h"
#include "platform/Digest.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <algorithm>
#include <thread>

namespace {

using qn::bench::fixtureRoot;

QString digestDir() { return fixtureRoot() + QStringLiteral("/digest"); }
QString largeFile() { return digestDir() + QStringLiteral("/large.bin"); }
QString smallDir() { return digestDir() + QStringLiteral("/small"); }

// Content that is not all zeros, so nothing reads it faster than it is.
void writePattern(const QString &path, qint64 bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    QByteArray block(1 << 20, '\0');
    for (int i = 0; i < block.size(); ++i)
        block[i] = char((i * 131) ^ (i >> 9));
    for (qint64 done = 0; done < bytes; done += block.size())
        file.write(block.constData(), std::min<qint64>(block.size(), bytes - done));
}

void makeFixture()
{
    QDir().mkpath(smallDir());
    writePattern(largeFile(), qint64(1) << 30);
    for (int i = 0; i < 10000; ++i)
        writePattern(smallDir() + QStringLiteral("/f%1.bin").arg(i), 100 * 1024);
}

void runCommand(benchmark::State &state, const QByteArray &command)
{
    for (auto _ : state) {
        if (std::system(command.constData()) != 0)
            state.SkipWithError("the command failed");
    }
}

void BM_OpensslOne(benchmark::State &state)
{
    runCommand(state, "openssl dgst -sha256 '" + QFile::encodeName(largeFile()) + "' > /dev/null");
}

void BM_OursOne(benchmark::State &state)
{
    std::vector<char> buffer(256 << 10); // as RunHashJob reads
    const std::atomic<bool> never{false};
    for (auto _ : state) {
        QByteArray digest;
        if (!qn::sha256OfFile(largeFile(), digest, buffer, never))
            state.SkipWithError("unreadable");
    }
}

void BM_Sha256sumMany(benchmark::State &state)
{
    runCommand(state, "cd '" + QFile::encodeName(digestDir()) + "' && sha256sum large.bin small/* > /dev/null");
}

qn::EntryTable g_many; // the 10,000 small files and the large one

void BM_OursMany(benchmark::State &state)
{
    for (auto _ : state) {
        qn::HashJob job;
        qn::PrepareHashJob(g_many, job);
        const std::atomic<bool> never{false};
        qn::RunHashJob(job, never);
        if (job.filesDone != g_many.EntryCount())
            state.SkipWithError("not every file");
    }
}

// A child hashing a sparse file of 8 GiB: the growth of its peak memory.
int memoryChild()
{
    const QString sparse = digestDir() + QStringLiteral("/sparse.bin");
    QFile file(sparse);
    if (!file.open(QIODevice::WriteOnly) || !file.resize(qint64(8) << 30))
        return 1;
    file.close();
    std::vector<char> buffer(1 << 20);
    const std::atomic<bool> never{false};
    const qint64 before = qn::bench::peakKiB();
    QByteArray digest;
    qn::sha256OfFile(sparse, digest, buffer, never);
    std::printf("%lld %lld\n", before, qn::bench::peakKiB());
    QFile::remove(sparse);
    return 0;
}

// Seconds one whole command takes; negative when it fails.
double secondsOf(const QByteArray &command)
{
    QElapsedTimer timer;
    timer.start();
    const int status = std::system(command.constData());
    return status == 0 ? double(timer.nsecsElapsed()) / 1e9 : -1;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

// Five pairs, which of the two goes first alternating; the medians give our
// throughput as a share of openssl's (aim: at least 0.9).
void commandLineAgainstOpenssl(const char *what, const QString &file)
{
    const QByteArray quoted = "'" + QFile::encodeName(file) + "'";
    const QByteArray ours = "'" QUILNAVER_LIST_TOOL "' --sha256 -f csv " + quoted + " > /dev/null";
    const QByteArray theirs = "openssl dgst -sha256 " + quoted + " > /dev/null";
    std::system(("cat " + quoted + " > /dev/null").constData()); // into the page cache
    std::vector<double> o, t;
    bool failed = false;
    for (int pair = 0; pair < 5; ++pair) {
        if (pair % 2 == 0)
            t.push_back(secondsOf(theirs));
        o.push_back(secondsOf(ours));
        if (pair % 2 == 1)
            t.push_back(secondsOf(theirs));
        if (o.back() < 0 || t.back() < 0) {
            std::printf("failed: %s\n", (o.back() < 0 ? ours : theirs).constData());
            failed = true;
        }
    }
    const double share = failed ? 0 : median(t) / median(o);
    std::printf("%-58s  %8.0f ms vs %8.0f ms  throughput %.2fx openssl's (aim >= 0.90) %s\n", what, median(o) * 1e3,
                median(t) * 1e3, share, qn::bench::verdict(!failed && share >= 0.9));
}

} // namespace

BENCHMARK(BM_OpensslOne)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_OursOne)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_Sha256sumMany)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK(BM_OursMany)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 2 && QByteArray(argv[1]) == "--memory")
        return memoryChild();
    qn::bench::ensureFixture(digestDir(), makeFixture);
    g_many.AppendEntry(digestDir() + QLatin1Char('/'), QStringLiteral("large.bin"));
    for (int i = 0; i < 10000; ++i)
        g_many.AppendEntry(smallDir() + QLatin1Char('/'), QStringLiteral("f%1.bin").arg(i));

    benchmark::Initialize(&argc, argv);
    qn::bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\nSHA-256, page cache warm (%u cores):\n", std::max(1u, std::thread::hardware_concurrency()));
    // Throughput at least 0.9x openssl's: time at most 1/0.9 of it.
    reporter.ratio("one file of 1 GiB vs openssl dgst -sha256", "BM_OursOne/iterations:3/real_time",
                   "BM_OpensslOne/iterations:3/real_time", 1 / 0.9);
    reporter.ratio("10,000 files of 100 KiB and 1 GiB vs sha256sum", "BM_OursMany/iterations:2/real_time",
                   "BM_Sha256sumMany/iterations:2/real_time", 0.6);

    std::printf("\nThe command line, 1 GiB in the page cache, median of 5 pairs:\n");
    // tmpfs: /dev/shm unless QUILNAVER_TMPFS names another; the copy goes
    // afterwards, it takes memory.
    const QString tmpfs = qEnvironmentVariable("QUILNAVER_TMPFS", QStringLiteral("/dev/shm"));
    const QString onTmpfs = tmpfs + QStringLiteral("/quilnaver-bench-large.bin");
    if (QFile::copy(largeFile(), onTmpfs) || QFile::exists(onTmpfs)) {
        commandLineAgainstOpenssl("quilnaver-list --sha256 -f csv vs openssl dgst (tmpfs)", onTmpfs);
        QFile::remove(onTmpfs);
    } else {
        std::printf("no tmpfs at %s %s\n", qPrintable(tmpfs), qn::bench::verdict(false));
    }
    commandLineAgainstOpenssl("quilnaver-list --sha256 -f csv vs openssl dgst (disk)", largeFile());

    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--memory")});
    child.waitForFinished(600000);
    const QList<QByteArray> v = child.readAllStandardOutput().trimmed().split(' ');
    const double growth = v.size() == 2 ? (v[1].toDouble() - v[0].toDouble()) * 1024 / 1e6 : -1;
    std::printf("reading a sparse file of 8 GiB grows the peak memory by %.1f MB (aim: at most 4 MB) %s\n", growth,
                qn::bench::verdict(growth >= 0 && growth <= 4));
    benchmark::Shutdown();
    return qn::bench::exitStatus();
}

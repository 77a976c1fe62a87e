// SHA-256 against the plain tools on the same files in the same run, page
// cache warm: one file of 1 GiB against `openssl dgst -sha256`, and 10,000
// files of 100 KiB with that one against sha256sum, on every core. Also the
// memory a very large (sparse) file costs, in a fresh child process.
#include "BenchSupport.h"

#include "list/EntryTable.h"
#include "list/Hashing.h"
#include "platform/Digest.h"

#include <QCoreApplication>
#include <QProcess>

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
    std::vector<char> buffer(1 << 20);
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

// A check that reads content again, against sha256sum over the same files in
// the same run, page cache warm: 10,000 files of 100 KiB and one of 1 GiB,
// every file with its recorded digest, on two cores.
#include "BenchSupport.h"

#include "list/Check.h"
#include "list/DirectoryAdd.h"
#include "list/EntryTable.h"
#include "list/Hashing.h"
#include "platform/TreeWalk.h"

#include <QCoreApplication>

namespace {

using qn::bench::fixtureRoot;

// The same files as the digest benchmark's, made the same way.
QString digestDir() { return fixtureRoot() + QStringLiteral("/digest"); }
QString largeFile() { return digestDir() + QStringLiteral("/large.bin"); }
QString smallDir() { return digestDir() + QStringLiteral("/small"); }

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

qn::EntryTable g_files; // every file, with its digest

void BM_Sha256sum(benchmark::State &state)
{
    const QByteArray command =
        "cd '" + QFile::encodeName(digestDir()) + "' && sha256sum large.bin small/* > /dev/null";
    for (auto _ : state) {
        if (std::system(command.constData()) != 0)
            state.SkipWithError("sha256sum failed");
    }
}

void BM_CheckContent(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        qn::EntryTable table = g_files;
        state.ResumeTiming();
        qn::DiskCheck check = qn::PrepareDiskCheck(table, qn::CheckScope{{digestDir() + QStringLiteral("/")}, true});
        const std::atomic<bool> never{false};
        qn::RunDiskCheck(check, never, {}, 2);
        qn::Findings findings = qn::DiskFindings(check);
        const qn::CheckCounts counts = qn::ApplyCheck(table, findings);
        if (counts.same != g_files.EntryCount())
            state.SkipWithError("not all the same");
    }
}

} // namespace

BENCHMARK(BM_Sha256sum)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_CheckContent)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    qn::bench::ensureFixture(digestDir(), makeFixture);
    const std::atomic<bool> never{false};
    qn::TreeWalkReport walked = qn::walkTree(digestDir(), never);
    qn::AppendTree(g_files, walked);
    qn::HashJob job;
    qn::PrepareHashJob(g_files, job);
    qn::RunHashJob(job, never);
    qn::ApplyHashJob(g_files, job);

    benchmark::Initialize(&argc, argv);
    qn::bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const std::string it = "/iterations:3/real_time";
    std::printf("\n%d files (10,000 of 100 KiB and one of 1 GiB) with digests, warm cache, two cores:\n",
                g_files.EntryCount());
    reporter.ratio("check with content vs sha256sum", "BM_CheckContent" + it, "BM_Sha256sum" + it, 0.6);
    benchmark::Shutdown();
    return qn::bench::exitStatus();
}

#include "TestFiles.h"

#include "list/EntryTable.h"
#include "list/Hashing.h"
#include "platform/Digest.h"

#include <QProcess>

#include <thread>

#include <gtest/gtest.h>

namespace qn {
namespace {

using namespace test;

QByteArray digestOf(const QByteArray &content)
{
    Sha256 hasher;
    hasher.update(content.constData(), content.size());
    return hasher.finish();
}

// A file 250 folders of 20 characters down (5,000 bytes and more of path,
// past the 4,095 a path may have at once) is read, as the walk lists it.
TEST(DigestSafety, ReadsAFileFarPastTheLongestPath)
{
    Fixture fx;
    int at = ::open(fx.nativePath().constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(at, 0);
    QString path = fx.path();
    const QByteArray step = "folder-of-20-chars-x";
    ASSERT_EQ(step.size(), 20);
    for (int level = 0; level < 250; ++level) {
        ASSERT_EQ(::mkdirat(at, step.constData(), 0755), 0);
        const int next = ::openat(at, step.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(at);
        at = next;
        ASSERT_GE(at, 0);
        path += QString::fromLatin1(step) + QLatin1Char('/');
    }
    const QByteArray content = "deep content\n";
    const int fd = ::openat(at, "deep.txt", O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, content.constData(), size_t(content.size())), ssize_t(content.size()));
    ::close(fd);
    ::close(at);
    ASSERT_GT(encodeName(path).size(), 5000);

    std::vector<char> buffer(1 << 16);
    const std::atomic<bool> never{false};
    QByteArray digest;
    ASSERT_TRUE(sha256OfFile(path + "deep.txt", digest, buffer, never));
    EXPECT_EQ(digest, digestOf(content));

    // The same through SHA-256を計算's job, on its threads.
    EntryTable t;
    t.AppendEntry(path, QStringLiteral("deep.txt"), [](FileStamp &s) {
        s.size = 13;
        return true;
    });
    HashJob job;
    PrepareHashJob(t, job);
    RunHashJob(job, never);
    EXPECT_TRUE(ApplyHashJob(t, job).isEmpty());
    EXPECT_EQ(t.at(1).Sha256, digestOf(content));
}

// A FIFO and a device named in a saved list are turned away at once: the
// command line ends, says it could not read them, and hashes the rest. A
// regression is caught by the time limit here, not by a test that never ends.
TEST(DigestSafety, AFifoOrADeviceInAListNeverBlocks)
{
    Fixture fx;
    fx.file("plain.txt", "abc", 1700000000);
    ASSERT_EQ(::mkfifo((fx.nativePath() + "fifo").constData(), 0644), 0);
    const QByteArray csv = "ファイル名,バイト数,更新日時,ディレクトリ\r\n"
                           "fifo,0,2023-11-14 22:13:20," + fx.nativePath() + "\r\n"
                           "zero,0,2023-11-14 22:13:20,/dev/\r\n"
                           "plain.txt,3,2023-11-14 22:13:20," + fx.nativePath() + "\r\n";
    fx.file("list.csv", csv);

    QProcess p;
    p.start(QStringLiteral(QUILNAVER_LIST_TOOL),
            {QStringLiteral("--from-csv"), fx.path() + "list.csv", QStringLiteral("--sha256"), QStringLiteral("-f"),
             QStringLiteral("csv")});
    const bool ended = p.waitForFinished(20000);
    if (!ended) {
        p.kill();
        p.waitForFinished(5000);
    }
    ASSERT_TRUE(ended) << "quilnaver-list --sha256 did not end with a FIFO and /dev/zero in its list";
    EXPECT_EQ(p.exitCode(), 1);
    const QByteArray errors = p.readAllStandardError();
    EXPECT_TRUE(errors.contains("cannot read " + fx.nativePath() + "fifo")) << errors.constData();
    EXPECT_TRUE(errors.contains("cannot read /dev/zero")) << errors.constData();
    const QByteArray out = p.readAllStandardOutput();
    EXPECT_TRUE(out.contains("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad")) << out.constData();
}

// The command line's manifest says how many files it left out for want of
// a digest, and never lists the file it writes.
TEST(DigestSafety, TheManifestCountsWhatItLeftOut)
{
    Fixture fx;
    fx.file("a.txt", "abc", 1700000000);
    fx.file("SHA256SUMS", "old\n", 1700000000);
    const QByteArray csv = "ファイル名,バイト数,更新日時,ディレクトリ\r\n"
                           "a.txt,3,2023-11-14 22:13:20," + fx.nativePath() + "\r\n"
                           "gone.txt,3,2023-11-14 22:13:20," + fx.nativePath() + "\r\n"
                           "SHA256SUMS,4,2023-11-14 22:13:20," + fx.nativePath() + "\r\n";
    fx.file("list.csv", csv);
    QProcess p;
    p.setWorkingDirectory(fx.path());
    p.start(QStringLiteral(QUILNAVER_LIST_TOOL), {QStringLiteral("--from-csv"), fx.path() + "list.csv",
                                                  QStringLiteral("--sha256sums"), QStringLiteral("-o"),
                                                  fx.path() + "SHA256SUMS"});
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitCode(), 1);
    const QByteArray errors = p.readAllStandardError();
    EXPECT_TRUE(errors.contains("cannot read " + fx.nativePath() + "gone.txt")) << errors.constData();
    EXPECT_TRUE(errors.contains("quilnaver-list: 1 file has no SHA-256 and is not in the manifest"))
        << errors.constData();
    EXPECT_EQ(readAll(fx.path() + "SHA256SUMS"),
              QByteArray("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad  a.txt\n"));
}

// A worker left behind by a cancel finishes its file after the window took
// the job's results: what it computes then goes nowhere, and the results the
// window took (and the list) stay as they were.
TEST(DigestSafety, NothingIsWrittenAfterTheResultsAreTaken)
{
    Fixture fx;
    fx.file("a.txt", "abc");
    fx.file("b.txt", "def");
    EntryTable t;
    t.AppendEntry(fx.path(), QStringLiteral("a.txt"));
    t.AppendEntry(fx.path(), QStringLiteral("b.txt"));
    HashJob job;
    PrepareHashJob(t, job);
    EXPECT_TRUE(ApplyHashJob(t, job).isEmpty()); // the window takes what there is: nothing yet
    const std::atomic<bool> never{false};
    std::thread late([&job, &never] { RunHashJob(job, never, {}, 1); });
    late.join();
    {
        std::lock_guard lock(job.results);
        EXPECT_EQ(job.digests, std::vector<QByteArray>(2));
    }
    EXPECT_TRUE(t.at(1).Sha256.isEmpty());
    EXPECT_FALSE(t.HasDigests());
}

} // namespace
} // namespace qn

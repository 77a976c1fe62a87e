#include "TestFiles.h"

#include "list/Check.h"
#include "list/EntryTable.h"
#include "list/Hashing.h"
#include "output/CsvFile.h"
#include "output/CsvReader.h"
#include "output/Sha256Sums.h"
#include "platform/Digest.h"

#include <QProcess>

#include <thread>

#include <gtest/gtest.h>

namespace qn {
namespace {

using namespace test;

// What sha256sum says of a file: its 64 hexadecimal digits.
QByteArray coreutils(const QString &path)
{
    QProcess p;
    p.start(QStringLiteral("sha256sum"), {path});
    if (!p.waitForFinished(60000))
        return QByteArray();
    return p.readAllStandardOutput().left(64);
}

QByteArray hexOfFile(const QString &path)
{
    std::vector<char> buffer(1 << 20);
    const std::atomic<bool> never{false};
    QByteArray digest;
    return sha256OfFile(path, digest, buffer, never) ? digestHex(digest) : QByteArray("unreadable");
}

// Known vectors, and the same digests as sha256sum for files at the edges of
// the buffer and a sparse file far larger than it.
TEST(Digest, KnownVectorsAndTheSameAsSha256sum)
{
    Sha256 hasher;
    EXPECT_EQ(digestHex(hasher.finish()), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    hasher.update("abc", 3);
    EXPECT_EQ(digestHex(hasher.finish()), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");

    Fixture fx;
    const qint64 buffer = 1 << 20;
    fx.file("empty");
    fx.file("one", "x");
    QByteArray exact(int(buffer), '\0');
    for (int i = 0; i < exact.size(); ++i)
        exact[i] = char(i * 7 + i / 251);
    fx.file("exact", exact);
    fx.file("exact+1", exact + "!");
    fx.sparse("sparse", 40 * buffer + 17);
    for (const char *name : {"empty", "one", "exact", "exact+1", "sparse"})
        EXPECT_EQ(hexOfFile(fx.path() + name), coreutils(fx.path() + name)) << name;
    EXPECT_EQ(hexOfFile(fx.path() + "missing"), "unreadable");
}

// The manifest with awkward names, checked by sha256sum -c where it is saved.
TEST(Digest, TheManifestPassesSha256sumCheck)
{
    Fixture fx;
    fx.subdir("sub");
    const QList<QByteArray> names{"plain.txt", "with space.txt", "back\\slash.txt", "line\nbreak.txt",
                                  "写真.jpg", "sub/inner.bin"};
    EntryTable t;
    for (const QByteArray &name : names) {
        fx.file(name, name + " content");
        const qsizetype slash = name.lastIndexOf('/');
        ASSERT_EQ(t.AppendEntry(fx.path() + QString::fromUtf8(name.left(slash + 1)), QString::fromUtf8(name.mid(slash + 1))),
                  AppendResult::Added);
    }
    Fixture elsewhere;
    elsewhere.file("outside.txt", "o");
    t.AppendEntry(elsewhere.path(), "outside.txt");
    HashJob job;
    PrepareHashJob(t, job);
    const std::atomic<bool> never{false};
    RunHashJob(job, never, {}, 2);
    EXPECT_TRUE(ApplyHashJob(t, job).isEmpty());
    EXPECT_TRUE(t.HasDigests());

    const QByteArray manifest = Sha256SumsText(t, fx.path());
    EXPECT_TRUE(manifest.contains("\\" + digestHex(t.at(3).Sha256) + "  back\\\\slash.txt\n"));
    EXPECT_TRUE(manifest.contains("  sub/inner.bin\n"));
    EXPECT_TRUE(manifest.contains("  " + elsewhere.nativePath() + "outside.txt\n")); // not below: absolute
    fx.file("SHA256SUMS", manifest);
    QProcess check;
    check.setWorkingDirectory(fx.path());
    check.start(QStringLiteral("sha256sum"), {QStringLiteral("-c"), QStringLiteral("SHA256SUMS")});
    ASSERT_TRUE(check.waitForFinished(60000));
    const QByteArray said = check.readAllStandardOutput();
    EXPECT_EQ(check.exitCode(), 0) << said.constData() << check.readAllStandardError().constData();
    EXPECT_EQ(said.count(": OK\n"), names.size() + 1) << said.constData();

    // The CSV keeps the digests and reads them back.
    CsvReadResult read = readListCsv(CsvFileText(t));
    EntryTable back;
    AppendCsvList(back, read.list);
    ASSERT_EQ(back.EntryCount(), t.EntryCount());
    for (int i = 1; i <= t.EntryCount(); ++i)
        EXPECT_EQ(back.at(i).Sha256, t.at(i).Sha256) << i;
}

// A file rewritten with the same size and time: only its digest tells.
TEST(Digest, ContentChangedWithTheSameSizeAndTime)
{
    Fixture fx;
    fx.file("same.txt", "abcd", 1700000000);
    fx.file("changed.txt", "abcd", 1700000000);
    EntryTable t;
    t.AppendEntry(fx.path(), "same.txt");
    t.AppendEntry(fx.path(), "changed.txt");
    HashJob job;
    PrepareHashJob(t, job);
    const std::atomic<bool> never{false};
    RunHashJob(job, never, {}, 1);
    ApplyHashJob(t, job);
    fx.file("changed.txt", "abce", 1700000000);

    DiskCheck check = PrepareDiskCheck(t);
    RunDiskCheck(check, never, {}, 2);
    Findings found = DiskFindings(check);
    const CheckCounts counts = ApplyCheck(t, found);
    EXPECT_EQ(stateText(t.at(1).State), QStringLiteral("一致"));
    EXPECT_EQ(stateText(t.at(2).State), QStringLiteral("内容変更"));
    EXPECT_EQ(counts.contentChanged, 1);
}

// Cancel keeps the digests finished, and gives none to a file half read.
TEST(Digest, CancelKeepsTheFinishedDigests)
{
    Fixture fx;
    fx.file("small", "s");
    fx.sparse("large", qint64(512) << 20);
    EntryTable t;
    t.AppendEntry(fx.path(), "small");
    t.AppendEntry(fx.path(), "large");
    HashJob job;
    PrepareHashJob(t, job);
    std::atomic<bool> cancel{false};
    std::atomic<bool> done{false};
    // Cancel once the large file is being read.
    std::thread watcher([&] {
        while (!done && job.bytesDone.load() <= (2 << 20))
            std::this_thread::yield();
        cancel = true;
    });
    RunHashJob(job, cancel, {}, 1);
    done = true;
    watcher.join();
    ApplyHashJob(t, job);
    EXPECT_EQ(digestHex(t.at(1).Sha256), hexOfFile(fx.path() + "small"));
    EXPECT_TRUE(t.at(2).Sha256.isEmpty());
    EXPECT_EQ(job.unreadable[1], 0); // cut off, not unreadable
}

} // namespace
} // namespace qn

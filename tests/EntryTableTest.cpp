#include "TestFiles.h"

#include "list/DateText.h"
#include "list/EntryTable.h"
#include "list/Progress.h"
#include "platform/SafeWrite.h"
#include "settings/Settings.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <numeric>

namespace qn {
namespace {

using test::Fixture;

// Every operation must leave the table consistent: the total is the sum of
// the sizes, and every entry is found by the duplicate test.
void expectConsistent(const EntryTable &t)
{
    qint64 sum = 0;
    for (int i = 1; i <= t.EntryCount(); ++i) {
        sum += t.at(i).Size;
        EXPECT_FALSE(t.IsNewEntry(t.at(i).Directory, t.at(i).FileName)) << i;
    }
    EXPECT_EQ(t.TotalBytes(), sum);
    EXPECT_EQ(t.at(0).FileName, QString());
    EXPECT_EQ(t.at(0).Directory, QString());
}

AppendResult appendSized(EntryTable &t, const QString &dir, const QString &name, qint64 size)
{
    return t.AppendEntry(dir, name, [size](FileStamp &s) {
        s.size = size;
        s.modified = 0;
        return true;
    });
}

TEST(EntryTable, StartsWithTheBlankSlotAlone)
{
    EntryTable t;
    EXPECT_EQ(t.EntryCount(), 0);
    EXPECT_EQ(t.TotalBytes(), 0);
    // Slot 0 is blank but never matches the duplicate test.
    EXPECT_TRUE(t.IsNewEntry(QString(), QString()));
    expectConsistent(t);
}

TEST(EntryTable, DuplicateTestIsExactAndCaseSensitive)
{
    EntryTable t;
    ASSERT_EQ(appendSized(t, "/d/", "a.txt", 1), AppendResult::Added);
    EXPECT_EQ(appendSized(t, "/d/", "a.txt", 1), AppendResult::Duplicate);
    EXPECT_EQ(appendSized(t, "/D/", "a.txt", 2), AppendResult::Added);
    EXPECT_EQ(appendSized(t, "/d/", "A.txt", 3), AppendResult::Added);
    EXPECT_EQ(appendSized(t, "/e/", "a.txt", 4), AppendResult::Added);
    EXPECT_EQ(appendSized(t, "/d/", "a.txt ", 5), AppendResult::Added); // no trimming
    EXPECT_EQ(t.EntryCount(), 5);
    EXPECT_EQ(t.TotalBytes(), 15);
    expectConsistent(t);
}

TEST(EntryTable, FailedStampChangesNothing)
{
    EntryTable t;
    appendSized(t, "/d/", "a", 10);
    const auto r = t.AppendEntry("/d/", "b", [](FileStamp &) { return false; });
    EXPECT_EQ(r, AppendResult::Failed);
    EXPECT_EQ(t.EntryCount(), 1);
    EXPECT_EQ(t.TotalBytes(), 10);
    EXPECT_TRUE(t.IsNewEntry("/d/", "b"));
}

TEST(EntryTable, TotalOverflowIsRefusedAtTheSixtyFourBitLimit)
{
    EntryTable t;
    const qint64 max = std::numeric_limits<qint64>::max();
    ASSERT_EQ(appendSized(t, "/d/", "big", max - 5), AppendResult::Added);
    EXPECT_EQ(appendSized(t, "/d/", "six", 6), AppendResult::Failed);
    EXPECT_EQ(t.EntryCount(), 1);
    EXPECT_EQ(t.TotalBytes(), max - 5);
    EXPECT_EQ(appendSized(t, "/d/", "five", 5), AppendResult::Added);
    EXPECT_EQ(t.TotalBytes(), max);
    // Totals past 32 bits are ordinary.
    EntryTable u;
    appendSized(u, "/d/", "a", 2147483647);
    EXPECT_EQ(appendSized(u, "/d/", "b", 1), AppendResult::Added);
    EXPECT_EQ(u.TotalBytes(), 2147483648LL);
}

TEST(EntryTable, RemovalKeepsOrderAndLetsTheFileBeAddedAgain)
{
    EntryTable t;
    appendSized(t, "/d/", "one", 1);
    appendSized(t, "/d/", "two", 20);
    appendSized(t, "/e/", "three", 300);

    t.RemoveEntry(1);
    ASSERT_EQ(t.EntryCount(), 2);
    EXPECT_EQ(t.at(1).FileName, "two");
    EXPECT_EQ(t.at(2).FileName, "three");
    EXPECT_EQ(t.at(2).Directory, "/e/");
    EXPECT_EQ(t.TotalBytes(), 320);
    EXPECT_TRUE(t.IsNewEntry("/d/", "one"));
    expectConsistent(t);

    t.RemoveEntry(2); // the last entry
    ASSERT_EQ(t.EntryCount(), 1);
    EXPECT_EQ(t.TotalBytes(), 20);

    EXPECT_EQ(appendSized(t, "/d/", "one", 1), AppendResult::Added);
    EXPECT_EQ(t.at(2).FileName, "one");
    t.RemoveEntry(0); // never the blank slot
    t.RemoveEntry(3);
    EXPECT_EQ(t.EntryCount(), 2);
    expectConsistent(t);
}

TEST(EntryTable, ClearReturnsToTheStartUpState)
{
    EntryTable t;
    for (int i = 0; i < 50; ++i)
        appendSized(t, "/d/", QString::number(i), i);
    t.Clear();
    EXPECT_EQ(t.EntryCount(), 0);
    EXPECT_EQ(t.TotalBytes(), 0);
    EXPECT_EQ(appendSized(t, "/d/", "7", 7), AppendResult::Added);
    expectConsistent(t);
}

TEST(EntryTable, WalkedDirectoriesShareTheirStringAndSkipDuplicates)
{
    EntryTable t;
    appendSized(t, "/w/", "b", 1);
    WalkedDirectory dir{QStringLiteral("/w/"), {}};
    for (const char *name : {"a", "b", "c"})
        dir.files.push_back(WalkedFile{QString::fromLatin1(name), FileStamp{10, 99}});
    dir.files.push_back(WalkedFile{"huge", FileStamp{std::numeric_limits<qint64>::max(), 0}});
    std::vector<size_t> refused;
    t.AppendWalked(dir, refused);
    ASSERT_EQ(t.EntryCount(), 3);
    EXPECT_EQ(t.at(2).FileName, "a");
    EXPECT_EQ(t.at(3).FileName, "c");
    EXPECT_EQ(t.at(3).Modified, 99);
    EXPECT_EQ(t.at(2).Directory.constData(), dir.path.constData());
    EXPECT_EQ(t.at(3).Directory.constData(), dir.path.constData());
    EXPECT_EQ(refused, std::vector<size_t>{3});
    EXPECT_EQ(dir.files[3].name, "huge"); // a refused name stays for the message
    EXPECT_EQ(t.TotalBytes(), 21);
    expectConsistent(t);
}

TEST(EntryTable, StampsReadAfterTheNamesStopAtTheFirstFailure)
{
    EntryTable t;
    appendSized(t, "/d/", "old", 5);
    for (const char *name : {"n1", "old", "n2", "n3", "n4"})
        t.AppendUnstamped("/d/", name);
    ASSERT_EQ(t.EntryCount(), 5); // "old" was listed already
    t.SetStamp(2, FileStamp{10, 1});
    t.SetStamp(3, FileStamp{20, 2});
    EXPECT_FALSE(t.CommitStamps(2, {1, 1, 0, 1}));
    ASSERT_EQ(t.EntryCount(), 3);
    EXPECT_EQ(t.at(3).FileName, "n2");
    EXPECT_EQ(t.at(3).Modified, 2);
    EXPECT_EQ(t.TotalBytes(), 35);
    EXPECT_TRUE(t.IsNewEntry("/d/", "n3"));
    EXPECT_TRUE(t.IsNewEntry("/d/", "n4"));
    expectConsistent(t);

    t.AppendUnstamped("/d/", "n3");
    t.SetStamp(4, FileStamp{1, 1});
    EXPECT_TRUE(t.CommitStamps(4, {1}));
    EXPECT_EQ(t.TotalBytes(), 36);
}

TEST(EntryTable, SelectedEntriesGoInOnePassOthersKeepTheirOrder)
{
    EntryTable t;
    for (int i = 1; i <= 10; ++i)
        appendSized(t, "/d/", QString::number(i), i);
    t.RemoveEntries({9, 2, 2, 5, 0, 11, 10});
    QStringList left;
    for (int i = 1; i <= t.EntryCount(); ++i)
        left.append(t.at(i).FileName);
    EXPECT_EQ(left, (QStringList{"1", "3", "4", "6", "7", "8"}));
    EXPECT_EQ(t.TotalBytes(), 1 + 3 + 4 + 6 + 7 + 8);
    EXPECT_TRUE(t.IsNewEntry("/d/", "2"));
    expectConsistent(t);
    t.RemoveEntries({});
    EXPECT_EQ(t.EntryCount(), 6);
}

TEST(EntryTable, ReorderKeepsEveryEntryFindable)
{
    EntryTable t;
    for (int i = 1; i <= 5; ++i)
        appendSized(t, "/d/", QString::number(i), i);
    t.Reorder({5, 3, 1, 2, 4});
    QStringList order;
    for (int i = 1; i <= t.EntryCount(); ++i)
        order.append(t.at(i).FileName);
    EXPECT_EQ(order, (QStringList{"5", "3", "1", "2", "4"}));
    expectConsistent(t);
    t.Reorder({1, 2}); // not a permutation of the list: nothing happens
    EXPECT_EQ(t.at(1).FileName, "5");
}

// Names, directories, digests and flags are held apart from the entries'
// order: each must follow its entry through a sort and through removals,
// including the removals that make the names' text be written afresh.
TEST(EntryTable, EveryFieldFollowsItsEntry)
{
    EntryTable t;
    const auto nameOf = [](int i) { return QStringLiteral("名前-%1-").arg(i) + QString(i % 7, QLatin1Char('x')); };
    const auto dirOf = [](int i) { return QStringLiteral("/d%1/").arg(i % 5); };
    const auto digestOf = [](int i) { return QByteArray(32, char(i)); };
    for (int i = 1; i <= 3000; ++i)
        appendSized(t, dirOf(i), nameOf(i), i);
    EXPECT_FALSE(t.HasDigests());
    EXPECT_TRUE(t.digest(7).isEmpty());
    for (int i = 1; i <= 3000; i += 3)
        t.SetDigest(i, digestOf(i));
    t.SetMinuteOnly(3, true);
    t.SetChecked(5, CheckState::Changed);
    EXPECT_TRUE(t.HasDigests());

    std::vector<int> reversed(3000);
    std::iota(reversed.rbegin(), reversed.rend(), 1);
    t.Reorder(reversed);
    std::vector<int> odd;
    for (int i = 1; i <= 3000; i += 2)
        odd.push_back(i);
    t.RemoveEntries(odd); // the entries first listed with an odd number remain
    ASSERT_EQ(t.EntryCount(), 1500);
    for (int k = 1; k <= t.EntryCount(); ++k) {
        const int i = 3001 - 2 * k; // its number when first listed
        const ListEntry e = t.at(k);
        ASSERT_EQ(t.fileName(k), nameOf(i)) << k;
        EXPECT_EQ(e.FileName, nameOf(i));
        EXPECT_EQ(e.Directory, dirOf(i));
        EXPECT_EQ(t.directory(k), dirOf(i));
        EXPECT_EQ(e.Size, i);
        EXPECT_EQ(e.Sha256, i % 3 == 1 ? digestOf(i) : QByteArray());
        EXPECT_EQ(e.MinuteOnly, i == 3);
        EXPECT_EQ(e.State, i == 5 ? CheckState::Changed : CheckState::None);
        EXPECT_EQ(t.Find(dirOf(i), nameOf(i)), k);
        EXPECT_EQ(t.Find(dirOf(i + 1), nameOf(i + 1)), 0);
    }
    EXPECT_EQ(t.Find(QStringLiteral("/nowhere/"), nameOf(1)), 0);
    expectConsistent(t);

    // A copy owns its text: the original may change or go.
    auto copy = std::make_unique<EntryTable>(t);
    t.Clear();
    EXPECT_EQ(t.digest(0), QByteArray());
    EXPECT_EQ(copy->at(1).FileName, nameOf(2999));
    EXPECT_EQ(copy->digest(3), digestOf(2995));
    expectConsistent(*copy);
}

// Thousands of adds and removals in a random order against a plain model:
// the index must find exactly what the table holds.
TEST(EntryTable, IndexAgreesWithTheTableUnderChurn)
{
    EntryTable t;
    QStringList model;
    quint32 seed = 12345;
    const auto next = [&] { return seed = seed * 1103515245u + 12345u; };
    for (int step = 0; step < 20000; ++step) {
        const QString name = QString::number(next() % 3000);
        const QString dir = (next() % 3 == 0) ? QStringLiteral("/a/") : QStringLiteral("/b/");
        switch (next() % 4) {
        case 0:
        case 1:
            if (appendSized(t, dir, name, 1) == AppendResult::Added)
                model.append(dir + name);
            break;
        case 2:
            if (t.EntryCount() > 0) {
                const int r = int(next() % quint32(t.EntryCount())) + 1;
                model.removeAt(r - 1);
                t.RemoveEntry(r);
            }
            break;
        default:
            if (step % 500 == 0 && t.EntryCount() > 3) {
                t.RemoveEntries({1, 3});
                model.removeAt(2);
                model.removeAt(0);
            }
            break;
        }
    }
    ASSERT_EQ(t.EntryCount(), model.size());
    for (int i = 1; i <= t.EntryCount(); ++i)
        ASSERT_EQ(t.at(i).Directory + t.at(i).FileName, model[i - 1]);
    expectConsistent(t);
    for (int n = 0; n < 3000; ++n) {
        for (const QString &dir : {QStringLiteral("/a/"), QStringLiteral("/b/")})
            EXPECT_EQ(t.IsNewEntry(dir, QString::number(n)), !model.contains(dir + QString::number(n)));
    }
}

TEST(EntryTable, RealFilesByPath)
{
    Fixture fx;
    fx.file("zero", "", 1000000000);
    fx.file("with space.txt", "12345");
    fx.file("日本語の名前.txt", "abc");
    fx.file("bad\xff\xfename", "xy");
    fx.sparse("huge.bin", 5LL * 1024 * 1024 * 1024);
    fx.subdir("sub");
    const QString dir = fx.path();

    EntryTable t;
    EXPECT_EQ(t.AppendEntry(dir, "zero"), AppendResult::Added);
    EXPECT_EQ(t.at(1).Size, 0);
    EXPECT_EQ(t.at(1).Modified, 1000000000);
    EXPECT_EQ(t.AppendEntry(dir, "with space.txt"), AppendResult::Added);
    EXPECT_EQ(t.AppendEntry(dir, QStringLiteral("日本語の名前.txt")), AppendResult::Added);
    const QString bad = decodeName("bad\xff\xfename", 9);
    EXPECT_EQ(t.AppendEntry(dir, bad), AppendResult::Added);
    EXPECT_EQ(t.at(4).Size, 2);
    EXPECT_EQ(t.AppendEntry(dir, "huge.bin"), AppendResult::Added);
    EXPECT_EQ(t.at(5).Size, 5LL * 1024 * 1024 * 1024);
    EXPECT_EQ(t.TotalBytes(), 5LL * 1024 * 1024 * 1024 + 10);

    // Nothing selected, a directory, a file that has gone: all fail.
    EXPECT_EQ(t.AppendEntry(dir, QString()), AppendResult::Failed);
    EXPECT_EQ(t.AppendEntry(dir, "sub"), AppendResult::Failed);
    EXPECT_EQ(t.AppendEntry(dir, "never-there"), AppendResult::Failed);
    EXPECT_EQ(t.EntryCount(), 5);
    expectConsistent(t);
}

TEST(NativeNames, StrayBytesSurviveTheRoundTrip)
{
    const QByteArray cases[] = {"plain", "日本語", "bad\xff", "\xc3\x28", "\xed\xa0\x80" "surrogate",
                                "trail\xe6\x97", "\xef\xbb\xbf" "bom", "\xef\xef\xbb\xbf\xbb", QByteArray("nul\0in", 6), "\xf0\x9f\x98\x80" "emoji", ""};
    for (const QByteArray &raw : cases) {
        const QString name = decodeName(raw.constData(), raw.size());
        EXPECT_EQ(encodeName(name), raw) << raw.toHex().constData();
    }
    // Two names that differ only in undecodable bytes stay different.
    EXPECT_NE(decodeName("a\xff", 2), decodeName("a\xfe", 2));
    EXPECT_EQ(displayName(decodeName("a\xff", 2)), QStringLiteral("a\uFFFD"));
    EXPECT_EQ(displayName(QStringLiteral("日本")), QStringLiteral("日本"));
}

TEST(NativeNames, APathHoldingANulNamesNothing)
{
    test::Fixture fx;
    fx.subdir("d");
    fx.file("f", "12");
    const QString cutToDir = fx.path() + QChar(0) + "x";
    const QString cutToFile = fx.path() + "f" + QChar(0) + "x";
    FileStamp stamp;
    EXPECT_TRUE(isDirectory(fx.path() + "d"));
    EXPECT_FALSE(isDirectory(cutToDir));
    EXPECT_FALSE(readFileStamp(cutToFile, stamp));
    EXPECT_FALSE(isRegularFile(cutToFile));
    bool ok = true;
    subdirectories(cutToDir, &ok);
    EXPECT_FALSE(ok);
    DirScanner scan(cutToDir);
    EXPECT_FALSE(scan.isOpen());
    EXPECT_FALSE(saveBytes(cutToFile, "x"));
    EXPECT_EQ(test::readAll(fx.path() + "f"), QByteArray("12"));
}

TEST(NativeNames, OnlyTheSlashSeparatesDirectories)
{
    EXPECT_TRUE(isDirSeparator(QLatin1Char('/')));
    EXPECT_FALSE(isDirSeparator(QLatin1Char('\\')));
    EXPECT_EQ(withTrailingSeparator(QStringLiteral("/data/a\\")), QStringLiteral("/data/a\\/"));
    EXPECT_EQ(withTrailingSeparator(QStringLiteral("/data/")), QStringLiteral("/data/"));
    EXPECT_EQ(withTrailingSeparator(QStringLiteral("/")), QStringLiteral("/"));
    EXPECT_EQ(nativePath(QStringLiteral("/a\\b/")), QStringLiteral("/a\\b/"));
}

TEST(DirScanner, OrdinaryFilesOnly)
{
    Fixture fx;
    fx.file("regular.txt", "1");
    fx.file("readonly.txt", "22");
    ::chmod((fx.nativePath() + "readonly.txt").constData(), 0444);
    fx.file(".hidden", "333");
    fx.subdir("subdir");
    fx.subdir(".hiddendir");
    fx.symlink(fx.nativePath() + "regular.txt", "link-to-file");
    fx.symlink(fx.nativePath() + "subdir", "link-to-dir");
    fx.symlink("/nonexistent/target", "broken-link");
    ::mkfifo((fx.nativePath() + "fifo").constData(), 0644);
    fx.file("name\x80raw", "4444");

    DirScanner scan(fx.path());
    ASSERT_TRUE(scan.isOpen());
    QStringList names;
    QString name;
    while (scan.next(name)) {
        names.append(name);
        scan.keepName();
    }
    EXPECT_FALSE(scan.failed());
    QList<qint64> sizes(names.size(), -1);
    scan.readStamps([&](size_t i, const FileStamp *stamp) {
        ASSERT_TRUE(stamp);
        sizes[qsizetype(i)] = stamp->size;
    });
    QStringList sorted = names;
    sorted.sort();
    EXPECT_EQ(sorted, (QStringList{"link-to-file", decodeName("name\x80raw", 8), "readonly.txt", "regular.txt"}));
    EXPECT_EQ(std::accumulate(sizes.begin(), sizes.end(), qint64(0)), 1 + 2 + 1 + 4);
}

TEST(DirScanner, UnreadableDirectoryFails)
{
    DirScanner scan(QStringLiteral("/nonexistent/quilnaver/dir/"));
    EXPECT_FALSE(scan.isOpen());
    EXPECT_TRUE(scan.failed());
    QString name;
    EXPECT_FALSE(scan.next(name));
}

TEST(DateText, ShortDateAndTimeMidnightAlone)
{
    // Under LC_ALL=C and TZ=UTC (set by the test runner).
    EXPECT_EQ(DateText(1796720707), QStringLiteral("2026/12/08 9:05:07"));
    EXPECT_EQ(DateText(1796688000), QStringLiteral("2026/12/08"));
    EXPECT_EQ(DateText(1796774399), QStringLiteral("2026/12/08 23:59:59"));
    EXPECT_EQ(DateText(1796688001), QStringLiteral("2026/12/08 0:00:01"));
}

TEST(ProgressCycle, StepsByTenAndWrapsPastTheMaximum)
{
    ProgressCycle p(0, 300);
    p.start();
    for (int i = 1; i <= 30; ++i) {
        p.step();
        ASSERT_EQ(p.value(), i * 10);
    }
    p.step(); // 310 is refused: back to the start
    EXPECT_EQ(p.value(), 0);
    p.step();
    EXPECT_EQ(p.value(), 10);
    p.finish();
    EXPECT_EQ(p.value(), 300);
}

} // namespace
} // namespace qn

#include "TestFiles.h"

#include "list/Check.h"
#include "list/EntryTable.h"
#include "output/CsvFile.h"

#include <gtest/gtest.h>

namespace qn {
namespace {

using namespace test;

QStringList states(const EntryTable &t)
{
    QStringList out;
    for (int i = 1; i <= t.EntryCount(); ++i)
        out.append(t.at(i).FileName + "=" + stateText(t.at(i).State));
    return out;
}

Findings onDisk(const EntryTable &t)
{
    DiskCheck check = PrepareDiskCheck(t, ProposedScope(t));
    const std::atomic<bool> never{false};
    RunDiskCheck(check, never, {}, 2);
    return DiskFindings(check);
}

// A directory changed between the list and the check: each entry's state,
// what the disk holds now beside the record of changed entries, new files at
// the end.
TEST(Check, StatesFromARealDirectoryChangedSinceTheList)
{
    Fixture fx;
    fx.file("same.txt", "1234", 1700000000);
    fx.file("grown.txt", "1", 1700000000);
    fx.file("touched.txt", "1", 1700000000);
    fx.file("gone.txt", "1", 1700000000);
    EntryTable t;
    for (const char *name : {"same.txt", "grown.txt", "touched.txt", "gone.txt"})
        ASSERT_EQ(t.AppendEntry(fx.path(), name), AppendResult::Added);
    EXPECT_FALSE(t.IsChecked());

    fx.file("grown.txt", "1234567", 1700000000);
    fx.touch("touched.txt", 1700000100);
    fx.remove("gone.txt");
    fx.file("late.txt", "12", 1700000200);
    fx.file(".hidden", "h");

    Findings found = onDisk(t);
    const CheckCounts counts = ApplyCheck(t, found);
    EXPECT_TRUE(t.IsChecked());
    EXPECT_EQ(states(t),
              (QStringList{"same.txt=一致", "grown.txt=変更", "touched.txt=変更", "gone.txt=なし", "late.txt=新規"}));
    EXPECT_EQ(t.at(2).Size, 1);
    EXPECT_EQ(t.found(2).Size, 7);
    EXPECT_EQ(t.at(3).Modified, 1700000000);
    EXPECT_EQ(t.found(3).Modified, 1700000100);
    EXPECT_EQ(t.at(5).Size, 2);
    EXPECT_EQ(t.TotalBytes(), 4 + 1 + 1 + 1 + 2);
    EXPECT_EQ(counts.same, 1);
    EXPECT_EQ(counts.changed, 2);
    EXPECT_EQ(counts.missing, 1);
    EXPECT_EQ(counts.unreadable, 0);
    EXPECT_EQ(counts.added, 1);

    // The CSV says it in a sixth column, what was found last; the list file
    // does not change shape.
    const QList<QByteArray> lines = CsvFileText(t).split('\n');
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral(",パス,照合,現在のバイト数,現在の更新日時\r").toUtf8())) << lines[0].constData();
    EXPECT_TRUE(lines[2].contains(QStringLiteral(",1,").toUtf8()) && lines[2].contains(QStringLiteral(",変更,7,").toUtf8()))
        << lines[2].constData();
    EXPECT_TRUE(lines[4].endsWith(QStringLiteral(",なし,,\r").toUtf8())) << lines[4].constData();
    t.Clear();
    EXPECT_FALSE(t.IsChecked());
}

// A directory that cannot be read, checked as an ordinary user: its files
// cannot be read either.
TEST(Check, AClosedDirectoryMakesItsFilesUnreadable)
{
    Fixture fx;
    fx.subdir("closed");
    fx.file("closed/secret.txt", "1");
    std::vector<DirectoryCheck> dirs{DirectoryCheck{fx.path() + "closed/", {"secret.txt"}},
                                     DirectoryCheck{fx.path() + "gone/", {"x"}}};
    ::chmod((fx.nativePath() + "closed").constData(), 0);
    EXPECT_TRUE(asOrdinaryUser([&] {
        const std::atomic<bool> never{false};
        checkDirectories(dirs, never, {}, 1);
        return dirs[0].found[0].kind == FoundFile::Unreadable && dirs[1].found[0].kind == FoundFile::Missing;
    }));
    ::chmod((fx.nativePath() + "closed").constData(), 0755);
}

// Against another list: matched by directory and name; only in the other
// list is new, with its recorded size and time.
TEST(Check, AgainstAnotherList)
{
    const auto add = [](EntryTable &t, const QString &dir, const QString &name, qint64 size, qint64 time) {
        t.AppendEntry(dir, name, [&](FileStamp &s) {
            s = FileStamp{size, time};
            return true;
        });
    };
    EntryTable mine, theirs;
    add(mine, "/a/", "same", 1, 100);
    add(mine, "/a/", "changed", 1, 100);
    add(mine, "/b/", "only-mine", 1, 100);
    add(theirs, "/c/", "only-theirs", 5, 500);
    add(theirs, "/a/", "changed", 2, 100);
    add(theirs, "/a/", "same", 1, 100);
    Findings found = ListFindings(mine, theirs);
    const CheckCounts counts = ApplyCheck(mine, found);
    EXPECT_EQ(states(mine), (QStringList{"same=一致", "changed=変更", "only-mine=なし", "only-theirs=新規"}));
    EXPECT_EQ(mine.at(2).Size, 1);
    EXPECT_EQ(mine.found(2).Size, 2);
    EXPECT_EQ(mine.at(4).Directory, "/c/");
    EXPECT_EQ(mine.at(4).Size, 5);
    EXPECT_EQ(mine.at(4).Modified, 500);
    EXPECT_EQ(counts.added, 1);
}

} // namespace
} // namespace qn

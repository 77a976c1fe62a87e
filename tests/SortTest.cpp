#include "TestFiles.h"

#include "list/EntryTable.h"
#include "list/DirectoryAdd.h"
#include "list/Sort.h"
#include "platform/Threads.h"

#include <gtest/gtest.h>

namespace qn {
namespace {

void add(EntryTable &t, const QString &dir, const QString &name, qint64 size = 0, qint64 modified = 0)
{
    t.AppendEntry(dir, name, [&](FileStamp &s) {
        s.size = size;
        s.modified = modified;
        return true;
    });
}

QStringList namesIn(const EntryTable &t, const std::vector<int> &order)
{
    QStringList names;
    for (int i : order)
        names.append(t.at(i).FileName);
    return names;
}

TEST(Sort, NamesInNaturalOrderWithoutCase)
{
    EntryTable t;
    for (const char *n : {"file10", "File2", "file1", "b.txt", "A.txt", "file2", "あいう", "漢字", "Z"})
        add(t, "/d/", QString::fromUtf8(n));
    const std::vector<int> up = SortedOrder(t, SortKey::Name, false);
    // "File2" and "file2" are equal without case: they keep their order.
    EXPECT_EQ(namesIn(t, up),
              (QStringList{"A.txt", "b.txt", "file1", "File2", "file2", "file10", "Z", "あいう", "漢字"}));
    const std::vector<int> down = SortedOrder(t, SortKey::Name, true);
    EXPECT_EQ(namesIn(t, down),
              (QStringList{"漢字", "あいう", "Z", "file10", "File2", "file2", "file1", "b.txt", "A.txt"}));
}

TEST(Sort, SizesByBytesDatesByStampStable)
{
    EntryTable t;
    add(t, "/d/", "nine-kb", 9000, 30);
    add(t, "/d/", "ten-b", 10, 10);
    add(t, "/d/", "also-ten", 10, 20);
    add(t, "/d/", "huge", 5000000000LL, 20);
    EXPECT_EQ(namesIn(t, SortedOrder(t, SortKey::Size, false)),
              (QStringList{"ten-b", "also-ten", "nine-kb", "huge"}));
    EXPECT_EQ(namesIn(t, SortedOrder(t, SortKey::Size, true)),
              (QStringList{"huge", "nine-kb", "ten-b", "also-ten"}));
    EXPECT_EQ(namesIn(t, SortedOrder(t, SortKey::Date, false)),
              (QStringList{"ten-b", "also-ten", "huge", "nine-kb"}));
}

TEST(Sort, DirectoryThenName)
{
    EntryTable t;
    add(t, "/b/", "2");
    add(t, "/a/", "z");
    add(t, "/b/", "1");
    add(t, "/A/", "y");
    add(t, "/a10/", "x");
    add(t, "/a2/", "w");
    add(t, "/a/", "k");
    std::vector<int> order = SortedOrder(t, SortKey::Directory, false);
    QStringList paths;
    for (int i : order)
        paths.append(t.at(i).Directory + t.at(i).FileName);
    // "/A/" and "/a/" collate alike but stay apart, each group by name.
    EXPECT_EQ(paths, (QStringList{"/A/y", "/a/k", "/a/z", "/a2/w", "/a10/x", "/b/1", "/b/2"}));
}

TEST(Sort, ReorderedTableKeepsExactBytes)
{
    EntryTable t;
    const QString raw = decodeName("r\xff\xfe", 3);
    add(t, "/d/", "b");
    add(t, "/d/", raw);
    add(t, "/d/", "a");
    t.Reorder(SortedOrder(t, SortKey::Name, false));
    bool found = false;
    for (int i = 1; i <= t.EntryCount(); ++i)
        found = found || encodeName(t.at(i).FileName) == QByteArray("r\xff\xfe");
    EXPECT_TRUE(found);
    EXPECT_FALSE(t.IsNewEntry("/d/", raw));
    EXPECT_EQ(SortedOrder(EntryTable(), SortKey::Name, false), std::vector<int>{});
}

// With no thread to be had, a sort and a directory add large enough to share
// their work do it all on the calling thread, with the same result.
TEST(Threads, NoneToBeHadTheWorkIsDoneOnTheCallingThread)
{
    EntryTable t;
    for (int i = 0; i < 25000; ++i)
        add(t, "/d/", QStringLiteral("name %1").arg((i * 7919) % 25000));
    test::Fixture fx;
    for (int i = 0; i < 5000; ++i)
        fx.file("f" + QByteArray::number(i), QByteArray(i % 13, 'x'));
    const std::vector<int> expected = SortedOrder(t, SortKey::Name, false);
    int refused = 0;
    setThreadStartHook([&refused] {
        ++refused;
        return false;
    });
    const std::vector<int> order = SortedOrder(t, SortKey::Name, false);
    EntryTable added;
    DirScanner scan(fx.path());
    const bool appended = AppendDirectory(added, fx.path(), scan, [] {});
    setThreadStartHook({});
    EXPECT_GE(refused, 1);
    EXPECT_EQ(order, expected);
    EXPECT_TRUE(appended);
    ASSERT_EQ(added.EntryCount(), 5000);
    for (int i = 1; i <= added.EntryCount(); ++i)
        ASSERT_EQ(added.at(i).Size, added.at(i).FileName.mid(1).toInt() % 13) << i;
}

} // namespace
} // namespace qn

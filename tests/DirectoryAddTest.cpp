#include "TestFiles.h"

#include "list/DirectoryAdd.h"
#include "list/EntryTable.h"

#include <gtest/gtest.h>

namespace qn {
namespace {

using test::Fixture;
using test::listingOrder;

QStringList namesOf(const EntryTable &t)
{
    QStringList names;
    for (int i = 1; i <= t.EntryCount(); ++i)
        names.append(t.at(i).FileName);
    return names;
}

TEST(AppendDirectory, NewFilesInListingOrderWithTheirStamps)
{
    Fixture fx;
    for (int i = 0; i < 40; ++i)
        fx.file("f" + QByteArray::number(i), QByteArray(i, 'x'), 1000000 + i);
    fx.subdir("sub");
    fx.file(".hidden", "h");

    EntryTable t;
    t.AppendEntry(fx.path(), "f7");
    int steps = 0;
    DirScanner scan(fx.path());
    ASSERT_TRUE(AppendDirectory(t, fx.path(), scan, [&] { ++steps; }));
    EXPECT_EQ(steps, 40); // listed names, the one already listed included

    QStringList expected = listingOrder(fx.path());
    expected.removeAll("f7");
    expected.prepend("f7");
    EXPECT_EQ(namesOf(t), expected);
    for (int i = 1; i <= t.EntryCount(); ++i) {
        const int n = t.at(i).FileName.mid(1).toInt();
        EXPECT_EQ(t.at(i).Size, n);
        EXPECT_EQ(t.at(i).Modified, 1000000 + n);
    }
    EXPECT_EQ(t.TotalBytes(), 40 * 39 / 2);

    DirScanner again(fx.path());
    EXPECT_TRUE(AppendDirectory(t, fx.path(), again, [] {}));
    EXPECT_EQ(t.EntryCount(), 40);
}

// A file that goes between the listing and its stamp ends the add: the files
// listed before it stay, those after it are not added. Enough files for the
// stamps to be shared between two threads.
TEST(AppendDirectory, VanishedFileStopsTheAddWhereItStood)
{
    for (const int count : {50, 6000}) {
        Fixture fx;
        for (int i = 0; i < count; ++i)
            fx.file("n" + QByteArray::number(i), "z");
        const QStringList order = listingOrder(fx.path());
        const int victim = count * 3 / 4;

        EntryTable t;
        DirScanner scan(fx.path());
        int step = 0;
        const bool ok = AppendDirectory(t, fx.path(), scan, [&] {
            if (step++ == victim)
                fx.remove(order[victim].toLatin1());
        });
        EXPECT_FALSE(ok) << count;
        EXPECT_EQ(namesOf(t), order.mid(0, victim)) << count;
        EXPECT_EQ(t.TotalBytes(), victim) << count;
    }
}

TEST(AppendDirectory, NothingToAddFails)
{
    Fixture fx;
    fx.subdir("only");
    EntryTable t;
    DirScanner empty(fx.path());
    EXPECT_FALSE(AppendDirectory(t, fx.path(), empty, [] {}));
    DirScanner missing(fx.path() + "missing/");
    EXPECT_FALSE(AppendDirectory(t, fx.path() + "missing/", missing, [] {}));
    EXPECT_EQ(t.EntryCount(), 0);
}

} // namespace
} // namespace qn

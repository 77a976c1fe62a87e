#include "TestFiles.h"

#include "platform/Threads.h"
#include "platform/TreeWalk.h"

#include <gtest/gtest.h>

#include <sys/mount.h>

#include <thread>

namespace qn {
namespace {

using namespace test;

const std::atomic<bool> NoCancel{false};

// "dir/: name name ..." for each directory of a report, in its order.
QStringList layout(const TreeWalkReport &r, const QString &root)
{
    QStringList lines;
    for (const WalkedDirectory &d : r.directories) {
        QStringList names;
        for (const WalkedFile &f : d.files)
            names.append(f.name);
        lines.append(d.path.mid(root.size()) + ": " + names.join(' '));
    }
    return lines;
}

TEST(TreeWalk, DirectoriesByNameFilesFirstHiddenLeftOut)
{
    Fixture fx;
    for (const char *d : {"b", "B", "a", "a/z", "a/y", ".hidden", "c10", "c9", "empty"})
        fx.subdir(d);
    for (const char *f : {"top2", "top1", "a/f", "a/z/deep", "a/y/mid", "b/x", "B/X", ".hidden/never", "c9/n",
                          "c10/n", "a/.dot"})
        fx.file(f, "12345");
    fx.file("a/sized", QByteArray(1234, 's'), 1700000000);

    const TreeWalkReport r = walkTree(fx.path(), NoCancel);
    EXPECT_FALSE(r.cancelled);
    EXPECT_TRUE(r.skipped.isEmpty());
    const QString top = ": " + listingOrder(fx.path()).join(' ');
    const QString inA = "a/: " + listingOrder(fx.path() + "a").join(' ');
    // Dir1's order: without case first, then exactly ("B" before "b").
    EXPECT_EQ(layout(r, fx.path()), (QStringList{top, inA, "a/y/: mid", "a/z/: deep", "B/: X", "b/: x",
                                                 "c10/: n", "c9/: n"}));
    EXPECT_EQ(r.fileCount, 10);
    for (const WalkedFile &f : r.directories[1].files) {
        if (f.name == "sized") {
            EXPECT_EQ(f.stamp.size, 1234);
            EXPECT_EQ(f.stamp.modified, 1700000000);
        }
    }
}

// The walk takes directories in the order Dir1 shows them, whatever the
// names: both come from the one list order.
TEST(TreeWalk, FollowsDir1sOrder)
{
    Fixture fx;
    const QList<QByteArray> names{"b", "B", "a", "_x", "A1", "a10", "a9", "\xc3\xa4", "\xc3\x84", "E", "\xc3\xa9", "z", "Z", "~"};
    for (const QByteArray &d : names) {
        fx.subdir(d);
        fx.file(d + "/f", "1");
    }
    const TreeWalkReport r = walkTree(fx.path(), NoCancel);
    QStringList walked;
    for (const WalkedDirectory &d : r.directories)
        walked.append(d.path.mid(fx.path().size()).chopped(1));
    EXPECT_EQ(walked, subdirectories(fx.path()));
    EXPECT_EQ(walked.size(), names.size());
}

TEST(TreeWalk, WithoutSubdirectoriesTheTopAlone)
{
    Fixture fx;
    fx.subdir("sub");
    fx.file("sub/below", "1");
    fx.file("top", "2");
    const TreeWalkReport r = walkTree(fx.path(), NoCancel, {}, 0, false);
    EXPECT_EQ(layout(r, fx.path()), QStringList{": top"});
}

TEST(TreeWalk, LinksToDirectoriesAreNotFollowedLinksToFilesAre)
{
    Fixture fx;
    fx.subdir("real");
    fx.file("real/data", "1");
    fx.symlink(fx.nativePath() + "real", "alias");          // the same directory again
    fx.symlink(fx.nativePath(), "real/loop");                // back to the top: a loop
    fx.symlink(fx.nativePath() + "real/data", "file-link");  // an ordinary file
    fx.symlink("/nowhere/at/all", "broken");                 // no file at all
    ::mkfifo((fx.nativePath() + "fifo").constData(), 0644);

    const TreeWalkReport r = walkTree(fx.path(), NoCancel);
    EXPECT_EQ(layout(r, fx.path()), (QStringList{": file-link", "real/: data"}));
    EXPECT_TRUE(r.skipped.isEmpty());
}

TEST(TreeWalk, SameTreeSameReportOnAnyNumberOfThreads)
{
    Fixture fx;
    for (int i = 0; i < 30; ++i) {
        const QByteArray d = "d" + QByteArray::number(i % 7) + "/s" + QByteArray::number(i);
        fx.subdir("d" + QByteArray::number(i % 7));
        fx.subdir(d);
        for (int j = 0; j < 20; ++j)
            fx.file(d + "/f" + QByteArray::number(j), QByteArray(j, 'x'));
    }
    fx.file("raw\xff\xfe", "bytes");
    const TreeWalkReport one = walkTree(fx.path(), NoCancel, {}, 1);
    EXPECT_EQ(one.threads, 1);
    EXPECT_EQ(one.fileCount, 601);
    for (int threads : {2, 5, 0}) {
        const TreeWalkReport many = walkTree(fx.path(), NoCancel, {}, threads);
        EXPECT_EQ(layout(many, fx.path()), layout(one, fx.path())) << threads;
    }
    // A name that is not valid UTF-8 keeps its bytes.
    EXPECT_EQ(encodeName(one.directories[0].files[0].name), QByteArray("raw\xff\xfe"));
}

TEST(TreeWalk, UnreadableDirectoriesAndFilesAreSkippedAndNamed)
{
    Fixture fx;
    fx.subdir("closed");
    fx.file("closed/secret", "s");
    fx.subdir("listonly"); // its names can be read, its files not
    fx.file("listonly/a", "a");
    fx.file("listonly/b", "b");
    fx.subdir("open");
    fx.file("open/fine", "f");
    ::chmod((fx.nativePath() + "closed").constData(), 0);
    ::chmod((fx.nativePath() + "listonly").constData(), 0444);

    const bool asExpected = asOrdinaryUser([&] {
        const TreeWalkReport r = walkTree(fx.path(), NoCancel);
        QStringList skipped = r.skipped;
        return skipped.size() == 3 && r.fileCount == 1 && layout(r, fx.path()) == QStringList{"open/: fine"}
               && skipped.takeFirst() == fx.path() + "closed/" && skipped.size() == 2
               && skipped.filter(fx.path() + "listonly/").size() == 2;
    });
    EXPECT_TRUE(asExpected);
    EXPECT_EQ(walkTree(fx.path() + "nonexistent", NoCancel).skipped, QStringList{fx.path() + "nonexistent/"});
}

TEST(TreeWalk, DeepAndLongerThanPathMax)
{
    Fixture fx;
    // 500 levels of 12-character names: a path of some 6,500 bytes.
    int fd = ::open(fx.nativePath().constData(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    for (int level = 0; level < 500; ++level) {
        ASSERT_EQ(::mkdirat(fd, "level-of-500", 0755), 0);
        const int next = ::openat(fd, "level-of-500", O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
        ASSERT_GE(fd, 0);
    }
    ::close(::openat(fd, "bottom.txt", O_WRONLY | O_CREAT, 0644));
    ::close(fd);

    const TreeWalkReport r = walkTree(fx.path(), NoCancel);
    ASSERT_EQ(r.directories.size(), 1u);
    EXPECT_TRUE(r.skipped.isEmpty());
    EXPECT_GT(r.directories[0].path.size(), 4096);
    EXPECT_EQ(r.directories[0].files[0].name, "bottom.txt");
}

int openDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
}

// Makes `levels` nested directories below fd, one step at a time as no path
// could reach them; at each level also makes what `each` says.
void chain(const Fixture &fx, int levels, const std::function<void(int fd, int level)> &each)
{
    int fd = ::open(fx.nativePath().constData(), O_RDONLY | O_DIRECTORY);
    for (int level = 0; fd >= 0 && level < levels; ++level) {
        each(fd, level);
        ::mkdirat(fd, "d", 0755);
        const int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
    }
    ::close(fd);
}

// A chain far deeper than any path the system takes, and a comb (each level a
// deep branch and a leaf beside it), which makes the walk come back to
// directories it left long ago: every file found, the right paths, and no
// descriptor left open.
TEST(TreeWalk, DeepChainsAndCombs)
{
    Fixture fx;
    chain(fx, 20000, [](int fd, int level) {
        if (level % 1000 == 999)
            ::close(::openat(fd, "f", O_WRONLY | O_CREAT, 0644));
    });
    Fixture comb;
    chain(comb, 1500, [](int fd, int level) {
        ::mkdirat(fd, "leaf", 0755);
        ::close(::openat(fd, ("leaf/" + std::to_string(level)).c_str(), O_WRONLY | O_CREAT, 0644));
    });
    const int before = openDescriptors();
    for (int threads : {1, 2, 4}) {
        const TreeWalkReport deep = walkTree(fx.path(), NoCancel, {}, threads);
        EXPECT_TRUE(deep.skipped.isEmpty());
        ASSERT_EQ(deep.directories.size(), 20u) << threads;
        EXPECT_EQ(deep.directories[0].path, QString(fx.path() + QString("d/").repeated(999)));
        EXPECT_EQ(deep.directories[19].path, QString(fx.path() + QString("d/").repeated(19999)));

        const TreeWalkReport r = walkTree(comb.path(), NoCancel, {}, threads);
        EXPECT_TRUE(r.skipped.isEmpty());
        ASSERT_EQ(r.directories.size(), 1500u) << threads;
        // Dir1's order: "d" before "leaf", so the deepest leaf comes first.
        EXPECT_EQ(r.directories[0].path, comb.path() + QString("d/").repeated(1499) + "leaf/");
        EXPECT_EQ(r.directories[0].files[0].name, "1499");
        EXPECT_EQ(r.directories[1499].path, comb.path() + "leaf/");
        EXPECT_EQ(r.directories[1499].files[0].name, "0");
        EXPECT_EQ(openDescriptors(), before) << threads;
    }
}

// A directory swapped for a link to elsewhere between being listed and being
// read: the walk goes on in the directory it listed, never in the other.
TEST(TreeWalk, ADirectoryTurnedIntoALinkDoesNotLeadElsewhere)
{
    Fixture fx;
    Fixture elsewhere;
    fx.subdir("a");
    fx.subdir("a/b");
    fx.file("a/b/mine", "1");
    elsewhere.subdir("b");
    elsewhere.file("b/theirs", "1");
    bool swapped = false;
    const TreeWalkReport r = walkTree(fx.path(), NoCancel, [&](qint64, const QString &directory) {
        if (directory == fx.path() + "a/" && !swapped) {
            swapped = ::rename((fx.nativePath() + "a").constData(), (fx.nativePath() + "moved").constData()) == 0;
            fx.symlink(elsewhere.nativePath(), "a");
        }
        // The next report comes only after a pause: this one lets it through.
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
    }, 1);
    ASSERT_TRUE(swapped);
    ASSERT_EQ(r.directories.size(), 1u);
    EXPECT_EQ(r.directories[0].files[0].name, "mine");
}

// With no thread to be had, the walk does its work on the calling thread.
TEST(TreeWalk, NoThreadToBeHadWalksOnTheCallingOne)
{
    Fixture fx;
    for (int i = 0; i < 20; ++i) {
        fx.subdir("d" + QByteArray::number(i));
        fx.file("d" + QByteArray::number(i) + "/f", "1");
    }
    const TreeWalkReport expected = walkTree(fx.path(), NoCancel, {}, 4);
    setThreadStartHook([] { return false; });
    const TreeWalkReport r = walkTree(fx.path(), NoCancel, {}, 4);
    setThreadStartHook({});
    EXPECT_EQ(r.threads, 1);
    EXPECT_EQ(layout(r, fx.path()), layout(expected, fx.path()));
    EXPECT_EQ(r.fileCount, 20);
}

TEST(TreeWalk, CancelGivesNothingBack)
{
    Fixture fx;
    for (int i = 0; i < 50; ++i) {
        fx.subdir("d" + QByteArray::number(i));
        fx.file("d" + QByteArray::number(i) + "/f", "1");
    }
    std::atomic<bool> cancel{false};
    int reports = 0;
    const TreeWalkReport r = walkTree(fx.path(), cancel, [&](qint64, const QString &) {
        ++reports;
        cancel = true;
    }, 1);
    EXPECT_GE(reports, 1);
    EXPECT_TRUE(r.cancelled);
    EXPECT_TRUE(r.directories.empty());
}

TEST(TreeWalk, ADirectoryMountedTwiceIsReadOnce)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "bind mounts need root";
    Fixture fx;
    fx.subdir("one");
    fx.subdir("one/inner");
    fx.file("one/inner/file", "1");
    fx.subdir("two");
    fx.subdir("one/back"); // will show the top again: a loop through a mount
    if (::mount((fx.nativePath() + "one").constData(), (fx.nativePath() + "two").constData(), nullptr, MS_BIND,
                nullptr) != 0)
        GTEST_SKIP() << "bind mounts are not allowed here";
    const bool loop = ::mount(fx.nativePath().constData(), (fx.nativePath() + "one/back").constData(), nullptr,
                              MS_BIND, nullptr) == 0;
    const TreeWalkReport r = walkTree(fx.path(), NoCancel);
    if (loop)
        ::umount2((fx.nativePath() + "one/back").constData(), MNT_DETACH);
    ::umount2((fx.nativePath() + "two").constData(), MNT_DETACH);
    EXPECT_EQ(layout(r, fx.path()), QStringList{"one/inner/: file"});
    EXPECT_TRUE(r.skipped.isEmpty());
}

} // namespace
} // namespace qn

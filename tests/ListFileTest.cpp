#include "TestFiles.h"

#include "list/EntryTable.h"
#include "output/ListFile.h"
#include "platform/Cp932.h"
#include "platform/SafeWrite.h"

#include <gtest/gtest.h>

namespace qn {
namespace {

using namespace test;

void add(EntryTable &t, const QString &name, qint64 size, const QString &dir = QStringLiteral("/d/"))
{
    t.AppendEntry(dir, name, [size](FileStamp &s) {
        s.size = size;
        return true;
    });
}

const QByteArray TitleLine = toCp932(u"       バイト数    ファイル名") + "\r\n";

TEST(Cp932, JapaneseUsersExpectations)
{
    EXPECT_EQ(toCp932(u"①"), QByteArray("\x87\x40"));
    EXPECT_EQ(toCp932(u"～"), QByteArray("\x81\x60")); // U+FF5E
    EXPECT_EQ(toCp932(u"〜"), QByteArray("\x81\x60")); // U+301C
    EXPECT_EQ(toCp932(u"髙"), QByteArray("\xFB\xFC"));
    EXPECT_EQ(toCp932(u"バイト数"), QByteArray("\x83\x6F\x83\x43\x83\x67\x90\x94"));
    EXPECT_EQ(toCp932(u"\\~abc"), QByteArray("\\~abc"));
}

TEST(Cp932, EachCharacterItCannotHoldIsOneQuestionMark)
{
    EXPECT_EQ(toCp932(u"café"), QByteArray("caf?"));
    EXPECT_EQ(toCp932(u"a😀b"), QByteArray("a?b"));
    EXPECT_EQ(toCp932(u"é日é"), QByteArray("?\x93\xFA?"));
    EXPECT_EQ(toCp932(u"😀😀"), QByteArray("??"));
    EXPECT_EQ(toCp932(u""), QByteArray());
}

TEST(ListFile, WorkedExampleByteForByte)
{
    EntryTable t;
    add(t, "readme.txt", 1536);
    add(t, "photo.jpg", 2345678);
    add(t, "backup.zip", 12000000);
    const QByteArray expected = TitleLine + " *      1536  B    readme.txt\r\n"
                                            " *      2345 KB    photo.jpg\r\n"
                                            " *        12 MB    backup.zip\r\n";
    EXPECT_EQ(ListFileText(t, 3), expected);
    // Title line bytes as written by hand: seven blanks, バイト数, four blanks, ファイル名.
    EXPECT_EQ(TitleLine, QByteArray("       \x83\x6F\x83\x43\x83\x67\x90\x94    "
                                    "\x83\x74\x83\x40\x83\x43\x83\x8B\x96\xBC\r\n"));
}

TEST(ListFile, EmptyListIsTheTitleLineAlone)
{
    EntryTable t;
    EXPECT_EQ(ListFileText(t, 3), TitleLine);
}

TEST(ListFile, UnitsChangeOnlyTheSizeField)
{
    EntryTable t;
    add(t, "zero", 0);
    add(t, "a", 1999);
    EXPECT_EQ(ListFileText(t, 1), TitleLine + " *         0 KB    zero\r\n *         1 KB    a\r\n");
    EXPECT_EQ(ListFileText(t, 0), TitleLine + " *         0  B    zero\r\n *      1999  B    a\r\n");
}

TEST(ListFile, LongNumbersKeepEveryDigit)
{
    EntryTable t;
    add(t, "nine", 999999999);
    add(t, "ten", 1000000000);
    add(t, "huge", 12345678901234LL);
    EXPECT_EQ(ListFileText(t, 0), TitleLine + " * 999999999  B    nine\r\n"
                                              " * 1000000000  B    ten\r\n"
                                              " * 12345678901234  B    huge\r\n");
}

TEST(ListFile, NamesTheCodePageCannotHold)
{
    EntryTable t;
    add(t, QStringLiteral("①～〜髙.txt"), 1);
    add(t, QStringLiteral("résumé😀.doc"), 2);
    add(t, QStringLiteral("line\nbreak\tand\rcr"), 3);
    add(t, decodeName("raw\xff.bin", 8), 4);
    add(t, QStringLiteral("a very long name ") + QString(300, QLatin1Char('x')), 5);
    const QByteArray text = ListFileText(t, 0);
    const QList<QByteArray> lines = text.split('\n');
    ASSERT_EQ(lines.size(), 7); // six lines and the empty rest after the last LF
    EXPECT_EQ(lines[1], QByteArray(" *         1  B    \x87\x40\x81\x60\x81\x60\xFB\xFC.txt\r"));
    EXPECT_EQ(lines[2], QByteArray(" *         2  B    r?sum??.doc\r"));
    EXPECT_EQ(lines[3], QByteArray(" *         3  B    line?break?and?cr\r"));
    EXPECT_EQ(lines[4], QByteArray(" *         4  B    raw?.bin\r"));
    EXPECT_EQ(lines[5], " *         5  B    a very long name " + QByteArray(300, 'x') + "\r");
    EXPECT_TRUE(lines[6].isEmpty());
}

// Names as macOS writes them, decomposed: composed for the list file, so the
// code page holds them, and not reported; the list keeps the name's own form.
TEST(ListFile, DecomposedNamesAreWrittenComposed)
{
    EntryTable t;
    add(t, QStringLiteral("カ\u3099イド.txt"), 1);
    add(t, QStringLiteral("Cafe\u0301\n.txt"), 2);
    ReplacedNames replaced;
    const QList<QByteArray> lines = ListFileText(t, 0, &replaced).split('\n');
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[1], " *         1  B    " + toCp932(u"ガイド.txt") + "\r");
    EXPECT_TRUE(lines[1].contains("\x83\x4B"));
    EXPECT_EQ(lines[2], QByteArray(" *         2  B    Caf?\?.txt\r")); // é has no place in the code page
    EXPECT_EQ(replaced.count, 1);
    EXPECT_EQ(t.at(1).FileName, QStringLiteral("カ\u3099イド.txt"));
}

TEST(SafeWrite, WriteErrorAtAnySizeKeepsTheOldFile)
{
    Fixture fx;
    const QString path = fx.path() + "list.txt";
    const QByteArray old("old contents\r\n");
    ASSERT_TRUE(saveBytes(path, old));
    // The error meets the first byte, a partial buffer, a buffer's edge, or
    // the very last byte of 64 KiB.
    const QByteArray big(64 * 1024, 'n');
    for (rlim_t limit : {rlim_t(0), rlim_t(1), rlim_t(89), rlim_t(4095), rlim_t(16384), rlim_t(16385),
                         rlim_t(64 * 1024 - 1)}) {
        bool saved;
        {
            FileSizeLimit full(limit);
            saved = saveBytes(path, big);
        }
        EXPECT_FALSE(saved) << limit;
        EXPECT_EQ(readAll(path), old) << limit;
        EXPECT_EQ(filesIn(fx.path()), QStringList{"list.txt"}) << limit;
    }
    {
        FileSizeLimit roomEnough(big.size());
        EXPECT_TRUE(saveBytes(path, big));
    }
    EXPECT_EQ(readAll(path), big);
}

TEST(SafeWrite, SmallWritesToAFullDiskFailToo)
{
    Fixture fx;
    const QString path = fx.path() + "quilnaver.cfg";
    const QByteArray old(" 1800 \r\n");
    ASSERT_TRUE(saveBytes(path, old));
    for (int size = 1; size <= 200; size += 7) {
        FileSizeLimit full(size - 1);
        EXPECT_FALSE(saveBytes(path, QByteArray(size, 's'))) << size;
    }
    EXPECT_EQ(readAll(path), old);
    EXPECT_EQ(filesIn(fx.path()), QStringList{"quilnaver.cfg"});
}

TEST(SafeWrite, ReplacesInPlaceOnlyWhereNoNewFileCanBeMade)
{
    Fixture fx;
    fx.subdir("locked");
    const QString locked = fx.path() + "locked/";
    const QString path = locked + "list.txt";
    fx.file("locked/list.txt", "old");
    fx.file("locked/readonly.txt", "keep");
    ::chmod(fx.nativePath().constData(), 0755);
    ::chmod(QFile::encodeName(path).constData(), 0666);
    ::chmod(QFile::encodeName(locked + "readonly.txt").constData(), 0444);
    ::chmod(QFile::encodeName(locked).constData(), 0555); // no new file in here

    EXPECT_TRUE(asOrdinaryUser([&] { return saveBytes(path, "new list"); }));
    EXPECT_EQ(readAll(path), QByteArray("new list"));
    // Neither the directory nor the file can be written: nothing changes.
    EXPECT_TRUE(asOrdinaryUser([&] { return !saveBytes(locked + "readonly.txt", "x"); }));
    EXPECT_TRUE(asOrdinaryUser([&] { return !saveBytes(locked + "fresh.txt", "x"); }));
    EXPECT_EQ(readAll(locked + "readonly.txt"), QByteArray("keep"));
    EXPECT_EQ(filesIn(locked), (QStringList{"list.txt", "readonly.txt"}));
    ::chmod(QFile::encodeName(locked).constData(), 0755);
}

// A folder that takes no new file, holding a list the user may write: the
// rewrite in place ends all new or all old, whatever the disk has room for.
TEST(SafeWrite, InPlaceRewriteOnAFullDiskEndsAllNewOrAllOld)
{
    Fixture fx;
    fx.subdir("locked");
    const QString path = fx.path() + "locked/list.txt";
    const QByteArray old("18 bytes of a list");
    fx.file("locked/list.txt", old);
    ::chmod(QFile::encodeName(path).constData(), 0666);
    ::chmod((fx.nativePath() + "locked").constData(), 0555);

    const QByteArray shorter("shorter"), longer(20000, 'L');
    for (const QByteArray &fresh : {shorter, longer}) {
        for (rlim_t limit : {rlim_t(0), rlim_t(1), rlim_t(6), rlim_t(17), rlim_t(18), rlim_t(4096), rlim_t(19999)}) {
            const bool fits = rlim_t(fresh.size()) <= limit;
            EXPECT_TRUE(asOrdinaryUser([&] {
                FileSizeLimit full(limit);
                return saveBytes(path, fresh) == fits;
            })) << fresh.size() << " bytes, limit " << limit;
            EXPECT_EQ(readAll(path), fits ? fresh : old) << fresh.size() << " bytes, limit " << limit;
            if (fits) {
                ASSERT_TRUE(saveBytes(path, old));
            }
        }
    }
    EXPECT_TRUE(asOrdinaryUser([&] { return saveBytes(path, longer); }));
    EXPECT_EQ(readAll(path), longer);
    EXPECT_EQ(filesIn(fx.path() + "locked"), QStringList{"list.txt"});
    ::chmod((fx.nativePath() + "locked").constData(), 0755);
}

// The same through the command line, for the list file and the CSV.
TEST(SafeWrite, CommandLineOnAFullDiskKeepsTheOldListInAFolderItCannotWrite)
{
    Fixture fx;
    fx.subdir("locked");
    fx.subdir("data");
    for (int i = 0; i < 300; ++i)
        fx.file("data/file-" + QByteArray::number(i) + ".txt", "x");
    const QString target = fx.path() + "locked/list.txt";
    const QByteArray old("18 bytes of a list");
    fx.file("locked/list.txt", old);
    ::chmod(QFile::encodeName(target).constData(), 0666);
    ::chmod((fx.nativePath() + "locked").constData(), 0555);
    for (const char *format : {"list", "csv"}) {
        for (rlim_t limit : {rlim_t(0), rlim_t(18), rlim_t(4096)}) {
            QByteArray errors;
            EXPECT_EQ(runLimited({QUILNAVER_LIST_TOOL, "-f", format, "-o", target, fx.path() + "data"}, limit, &errors),
                      1)
                << format << " " << limit;
            EXPECT_TRUE(errors.contains("cannot write")) << format;
            EXPECT_EQ(readAll(target), old) << format << " " << limit;
        }
        EXPECT_EQ(runLimited({QUILNAVER_LIST_TOOL, "-f", format, "-o", target, fx.path() + "data"}, RLIM_INFINITY), 0);
        EXPECT_GT(readAll(target).size(), 4096) << format;
        ASSERT_TRUE(saveBytes(target, old));
    }
    EXPECT_EQ(filesIn(fx.path() + "locked"), QStringList{"list.txt"});
    ::chmod((fx.nativePath() + "locked").constData(), 0755);
}

TEST(SafeWrite, BadTargetsFailAndCreateNothing)
{
    Fixture fx;
    fx.file("plain", "keep");
    fx.subdir("adir");
    EXPECT_FALSE(saveBytes(fx.path() + "missing/list.txt", "x"));
    EXPECT_FALSE(saveBytes(fx.path() + "plain/list.txt", "x"));
    EXPECT_FALSE(saveBytes(fx.path() + "adir", "x"));
    EXPECT_EQ(readAll(fx.path() + "plain"), QByteArray("keep"));
    EXPECT_TRUE(QFileInfo(fx.path() + "adir").isDir());
    EXPECT_FALSE(QFileInfo::exists(fx.path() + "missing"));
    EXPECT_TRUE(saveBytes(fx.path() + "new.txt", "fresh"));
    EXPECT_EQ(readAll(fx.path() + "new.txt"), QByteArray("fresh"));
}

} // namespace
} // namespace qn

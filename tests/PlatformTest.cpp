// The platform layer's promises, in a form that builds and runs on every
// platform: on Linux in the core suite, on Windows (under Wine) in the
// Windows build's own suite.
#include "ScannedNames.h"

#include "list/EntryTable.h"
#include "output/ListFile.h"
#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "platform/SafeWrite.h"
#include "platform/TreeWalk.h"
#include "platform/Utf8.h"
#include "platform/Volumes.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

namespace qn {
namespace {

// A file and a directory the scan and the walk must leave out as hidden: a
// dot name on Linux, the hidden and the system attribute on Windows.
class Folder {
public:
    QString path() const { return QDir::fromNativeSeparators(m_dir.path()) + QLatin1Char('/'); }
    bool file(const QString &name, const QByteArray &content = "x", qint64 modified = 1700000000) const
    {
        QFile f(path() + name);
        if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size())
            return false;
        f.close();
        if (!f.open(QIODevice::ReadWrite))
            return false;
        return f.setFileTime(QDateTime::fromSecsSinceEpoch(modified), QFileDevice::FileModificationTime);
    }
    bool dir(const QString &name) const { return QDir().mkpath(path() + name); }
    // A hidden entry named after `name`; gives the name it got.
    QString hidden(const QString &name, bool directory, bool system = false) const
    {
#ifdef _WIN32
        if (!(directory ? dir(name) : file(name)))
            return QString();
        const std::wstring native = QDir::toNativeSeparators(path() + name).toStdWString();
        SetFileAttributesW(native.c_str(), system ? FILE_ATTRIBUTE_SYSTEM : FILE_ATTRIBUTE_HIDDEN);
        return name;
#else
        Q_UNUSED(system);
        const QString dotted = QLatin1Char('.') + name;
        return (directory ? dir(dotted) : file(dotted)) ? dotted : QString();
#endif
    }

private:
    QTemporaryDir m_dir;
};

const std::atomic<bool> NoCancel{false};

using test::scannedNames;

QStringList walked(const TreeWalkReport &r, const QString &root)
{
    QStringList paths;
    for (const WalkedDirectory &d : r.directories) {
        for (const WalkedFile &f : d.files)
            paths.append(d.path.mid(root.size()) + f.name);
    }
    return paths;
}

// Names code page 932 holds, and one it cannot (an emoji).
const QString Japanese = QStringLiteral("日本語の名前.txt");
const QString Emoji = QStringLiteral("絵文字\U0001F600.txt");

TEST(Platform, TheScanTakesOrdinaryFilesWhateverTheirNames)
{
    Folder fx;
    ASSERT_TRUE(fx.file("b.txt") && fx.file(Japanese) && fx.file(Emoji) && fx.file("with space.txt"));
    ASSERT_TRUE(fx.dir("sub"));
    const QString hidden = fx.hidden("hidden.txt", false);
    ASSERT_FALSE(hidden.isEmpty());
#ifdef _WIN32
    ASSERT_EQ(fx.hidden("system.txt", false, true), "system.txt");
#endif
    QStringList expected{"b.txt", "with space.txt", Japanese, Emoji};
    expected.sort();
    EXPECT_EQ(scannedNames(fx.path()), expected);
    // With the filter's hidden entries on, the hidden file comes too.
    expected.append(hidden);
#ifdef _WIN32
    expected.append("system.txt");
#endif
    expected.sort();
    EXPECT_EQ(scannedNames(fx.path(), NameFilter(FilterPatterns{"", "", "", true})), expected);
    EXPECT_TRUE(scannedNames(fx.path() + "missing/").isEmpty());
}

TEST(Platform, StampsAreTheSizeAndTheSecondOfTheLastChange)
{
    Folder fx;
    ASSERT_TRUE(fx.file(Japanese, QByteArray(1234, 'j'), 1600000123));
    FileStamp stamp;
    ASSERT_TRUE(readFileStamp(fx.path() + Japanese, stamp));
    EXPECT_EQ(stamp.size, 1234);
    EXPECT_EQ(stamp.modified, 1600000123);
    EXPECT_FALSE(readFileStamp(fx.path() + "missing", stamp));
    EXPECT_FALSE(readFileStamp(fx.path(), stamp)); // a directory is no file
    EXPECT_TRUE(isRegularFile(fx.path() + Japanese));
    EXPECT_TRUE(isDirectory(fx.path()));
}

TEST(Platform, TheWalkGoesDownInListOrderPastTheOldPathLimit)
{
    Folder fx;
    ASSERT_TRUE(fx.dir("B/inner") && fx.dir("a") && fx.dir("c"));
    ASSERT_TRUE(fx.file("top.txt") && fx.file("B/inner/deep.txt") && fx.file("a/" + Japanese));
    const QString hiddenDir = fx.hidden("hiddendir", true);
    ASSERT_TRUE(fx.file(hiddenDir + "/never.txt"));
    // Past 260 characters.
    QString longDir = "c";
    while (fx.path().size() + longDir.size() < 300)
        longDir += "/directory-with-a-long-name";
    ASSERT_TRUE(fx.dir(longDir));
    ASSERT_TRUE(fx.file(longDir + "/far.txt", "far"));

    const TreeWalkReport r = walkTree(fx.path(), NoCancel);
    EXPECT_TRUE(r.skipped.isEmpty()) << r.skipped.join(' ').toStdString();
    EXPECT_EQ(walked(r, fx.path()), (QStringList{"top.txt", "a/" + Japanese, "B/inner/deep.txt", longDir + "/far.txt"}));
    EXPECT_EQ(r.fileCount, 4);
    const TreeWalkReport top = walkTree(fx.path(), NoCancel, {}, 0, false);
    EXPECT_EQ(walked(top, fx.path()), QStringList{"top.txt"});
    const TreeWalkReport missing = walkTree(fx.path() + "missing", NoCancel);
    EXPECT_EQ(missing.skipped, QStringList{fx.path() + "missing/"});
}

TEST(Platform, TheListFileIsCodePage932WithEveryNameItCanHold)
{
    Folder fx;
    ASSERT_TRUE(fx.file(Japanese, "12345") && fx.file(Emoji, ""));
    EntryTable table;
    ASSERT_NE(table.AppendEntry(fx.path(), Japanese), AppendResult::Failed);
    ASSERT_NE(table.AppendEntry(fx.path(), Emoji), AppendResult::Failed);
    ReplacedNames replaced;
    const QByteArray text = ListFileText(table, 0, &replaced);
    const QByteArray japanese = toCp932(Japanese);
    EXPECT_EQ(japanese, QByteArray("\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x96\xbc\x91\x4f.txt"));
    EXPECT_TRUE(text.contains(japanese)) << text.toHex().constData();
    // The emoji is written as "?" and said so.
    EXPECT_TRUE(text.contains(toCp932(QStringLiteral("絵文字")) + "?.txt")) << text.toHex().constData();
    EXPECT_EQ(replaced.count, 1);
    EXPECT_TRUE(text.endsWith("\r\n"));
    QString back;
    EXPECT_TRUE(fromCp932(japanese, back));
    EXPECT_EQ(back, Japanese);
}

TEST(Platform, UTF8IsWellFormedOrNotAtAll)
{
    const auto sequence = [](QByteArrayView bytes, char32_t &cp) {
        const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
        return utf8Sequence(p, p + bytes.size(), cp);
    };
    struct Case {
        const char *bytes;
        int length;
        char32_t codePoint;
    };
    // The edges of each length and of the ranges taken out.
    const Case good[] = {{"\x7f", 1, 0x7F},          {"\xc2\x80", 2, 0x80},
                         {"\xdf\xbf", 2, 0x7FF},      {"\xe0\xa0\x80", 3, 0x800},
                         {"\xed\x9f\xbf", 3, 0xD7FF}, {"\xee\x80\x80", 3, 0xE000},
                         {"\xef\xbb\xbf", 3, 0xFEFF}, {"\xf0\x90\x80\x80", 4, 0x10000},
                         {"\xf4\x8f\xbf\xbf", 4, 0x10FFFF}};
    for (const Case &c : good) {
        char32_t cp = 0;
        EXPECT_EQ(sequence(c.bytes, cp), c.length) << c.bytes;
        EXPECT_EQ(cp, c.codePoint) << c.bytes;
        EXPECT_TRUE(isUtf8(c.bytes)) << c.bytes;
    }
    const char *const bad[] = {
        "\x80", "\xbf", "\xfe", "\xff",                  // no sequence starts so
        "\xc0\x80", "\xc1\xbf", "\xe0\x9f\xbf", "\xf0\x8f\xbf\xbf", // overlong
        "\xed\xa0\x80", "\xed\xbf\xbf",                  // surrogates
        "\xf4\x90\x80\x80", "\xf5\x80\x80\x80",          // above U+10FFFF
        "\xc3", "\xe6\x97", "\xf0\x9f\x98",              // cut short
        "\xc3\x28", "\xe6\x97\x41", "\xf0\x9f\x98\xc0"}; // not continued
    for (const char *b : bad) {
        char32_t cp = 0;
        EXPECT_EQ(sequence(b, cp), 0) << QByteArray(b).toHex().constData();
        EXPECT_FALSE(isUtf8(b)) << QByteArray(b).toHex().constData();
        // Past a run of ASCII too, and before one.
        EXPECT_FALSE(isUtf8(QByteArray("0123456789abcdef") + b)) << QByteArray(b).toHex().constData();
        EXPECT_FALSE(isUtf8(QByteArray(b) + "0123456789abcdef")) << QByteArray(b).toHex().constData();
    }
    EXPECT_TRUE(isUtf8(""));
    EXPECT_TRUE(isUtf8("0123456789abcdef日本語\xf0\x9f\x98\x80"));
}

TEST(Platform, TheSafeWriteReplacesWholeOrNotAtAll)
{
    Folder fx;
    const QString target = fx.path() + Japanese;
    ASSERT_TRUE(saveBytes(target, "old"));
    ASSERT_TRUE(saveBytes(target, "new and longer"));
    QFile f(target);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "new and longer");
    f.close();
    // A directory in the target's place, and a folder that does not exist.
    ASSERT_TRUE(fx.dir("taken"));
    EXPECT_FALSE(saveBytes(fx.path() + "taken", "x"));
    EXPECT_TRUE(isDirectory(fx.path() + "taken"));
    EXPECT_FALSE(saveBytes(fx.path() + "missing/list.txt", "x"));
    // Nothing left behind but what was written.
    EXPECT_EQ(QDir(fx.path()).entryList(QDir::Files | QDir::Hidden), QStringList{Japanese});
}

TEST(Platform, TheDriveListHoldsTheVolumeOfEveryFolder)
{
    Folder fx;
    const QList<Volume> volumes = mountedVolumes();
    ASSERT_FALSE(volumes.isEmpty());
    const Volume here = volumeOf(fx.path());
    EXPECT_FALSE(here.designation.isEmpty());
    EXPECT_TRUE(isVolumeUsable(rootOfDesignation(here.designation)));
    bool listed = false;
    for (const Volume &v : volumes)
        listed = listed || sameVolumeRoot(v.root, here.root);
    EXPECT_TRUE(listed) << here.root.toStdString();
#ifdef _WIN32
    // Drive letters as the selector shows them: "c:".
    EXPECT_TRUE(QRegularExpression("^[a-z]:").match(here.designation).hasMatch()) << here.designation.toStdString();
    // The serial as `vol` prints it, whichever form the path has.
    const QString serial = volumeSerial(fx.path());
    EXPECT_TRUE(QRegularExpression("^[0-9A-F]{4}-[0-9A-F]{4}$").match(serial).hasMatch()) << serial.toStdString();
    EXPECT_EQ(volumeSerial(QDir::toNativeSeparators(fx.path() + "no such folder")), serial);
#endif
}

} // namespace
} // namespace qn

#include "UiHarness.h"

#include "ui/EntryModel.h"

#include <QAbstractItemModelTester>
#include <sys/stat.h>
#include <QProgressBar>
#include <gtest/gtest.h>

namespace qn {
namespace {

using namespace test;

const QString NoFile = QStringLiteral("ファイルが存在しません。");
const QString Done = QStringLiteral("完了！！");

// Grid rows mirror the table and the total is the sum of the sizes.
void expectMirror(const Harness &h)
{
    const EntryTable &t = h.window->table();
    ASSERT_EQ(h.rows(), t.EntryCount());
    qint64 sum = 0;
    for (int i = 1; i <= t.EntryCount(); ++i) {
        EXPECT_EQ(h.cell(i, 0), displayName(t.at(i).FileName));
        EXPECT_EQ(h.cell(i, 3), displayName(t.at(i).Directory));
        sum += t.at(i).Size;
    }
    EXPECT_EQ(t.TotalBytes(), sum);
    EXPECT_EQ(h.panel(2), QStringLiteral("総ファイル数 ") + QString::number(t.EntryCount()));
}

TEST(AddSelectedFile, DoubleClickAddsTheFileWithItsRow)
{
    Harness h;
    QAbstractItemModelTester tester(h.grid()->model(), QAbstractItemModelTester::FailureReportingMode::Warning);
    Fixture fx;
    fx.file("readme.txt", QByteArray(1536, 'r'), 1796720707);
    fx.file("big.bin", QByteArray(12345, 'b'));
    h.openDirectory(fx.path());
    ASSERT_EQ(h.files()->count(), 2);

    h.doubleClickFile("readme.txt");
    ASSERT_EQ(h.rows(), 1);
    EXPECT_EQ(h.cell(1, 0), "readme.txt");
    EXPECT_EQ(h.cell(1, 1), "1536  B");
    EXPECT_EQ(h.cell(1, 2), "2026/12/08 9:05:07");
    EXPECT_EQ(h.cell(1, 3), fx.path());
    EXPECT_EQ(h.panel(1), QStringLiteral("総バイト数 1536   B"));
    EXPECT_EQ(h.panel(2), QStringLiteral("総ファイル数 1"));

    h.doubleClickFile("big.bin");
    EXPECT_EQ(h.cell(2, 1), "12 KB");
    EXPECT_EQ(h.panel(1), QStringLiteral("総バイト数 13  KB"));

    // The same file again: nothing changes and nothing is said.
    h.doubleClickFile("readme.txt");
    EXPECT_EQ(h.rows(), 2);
    EXPECT_TRUE(h.messages.shown.isEmpty());
    EXPECT_EQ(h.panel(2), QStringLiteral("総ファイル数 2"));
    expectMirror(h);
}

TEST(AddSelectedFile, FailuresLeaveEverythingAsItWas)
{
    Harness h;
    Fixture fx;
    fx.file("keep.txt", "12");
    fx.file("vanish.txt", "345");
    h.openDirectory(fx.path());
    h.doubleClickFile("keep.txt");
    const QString panel1 = h.panel(1);

    // Nothing selected: the bare directory is no file.
    h.files()->clearSelection();
    h.click("FileAdd");
    ASSERT_EQ(h.messages.texts(), QStringList{NoFile});
    EXPECT_EQ(h.messages.shown[0].title, QString());
    EXPECT_FALSE(h.messages.shown[0].withCancel);

    // Listed, then gone before the add.
    h.selectFile("vanish.txt");
    ASSERT_TRUE(fx.remove("vanish.txt"));
    h.click("FileAdd");
    EXPECT_EQ(h.messages.texts(), (QStringList{NoFile, NoFile}));
    EXPECT_EQ(h.rows(), 1);
    EXPECT_EQ(h.panel(1), panel1);
    expectMirror(h);
}

TEST(AddSelectedFile, OddNamesAndSizes)
{
    Harness h;
    Fixture fx;
    fx.file("with space.txt", "");
    fx.file("日本語.txt", "abc");
    fx.file("raw\xff\xfe.bin", "12345");
    fx.sparse("huge.iso", 5LL * 1000 * 1000 * 1000);
    h.openDirectory(fx.path());
    for (const QString &name : {QStringLiteral("with space.txt"), QStringLiteral("日本語.txt"),
                                decodeName("raw\xff\xfe.bin", 9), QStringLiteral("huge.iso")})
        h.doubleClickFile(name);
    ASSERT_EQ(h.rows(), 4);
    EXPECT_TRUE(h.messages.shown.isEmpty());
    EXPECT_EQ(h.cell(1, 1), "0  B");
    EXPECT_EQ(h.cell(3, 0), QStringLiteral("raw\uFFFD\uFFFD.bin"));
    EXPECT_EQ(h.cell(3, 1), "5  B");
    EXPECT_EQ(h.cell(4, 1), "5000 MB");
    EXPECT_EQ(h.window->table().TotalBytes(), 5000000008LL);
    EXPECT_EQ(h.panel(1), QStringLiteral("総バイト数 5000  MB"));
    expectMirror(h);
}

TEST(AddDirectoryFiles, OrdinaryFilesOnceEachWithTheBarCycling)
{
    Harness h;
    Fixture fx;
    for (int i = 0; i < 35; ++i)
        fx.file(QByteArray("f") + QByteArray::number(i), QByteArray(i, 'x'));
    fx.file(".hidden", "h");
    fx.subdir("sub");
    fx.symlink("/nowhere/at/all", "broken");
    h.openDirectory(fx.path());

    h.click("DirAdd");
    EXPECT_EQ(h.messages.texts(), QStringList{Done});
    EXPECT_EQ(h.rows(), 35);
    EXPECT_EQ(h.window->table().TotalBytes(), 35 * 34 / 2);
    EXPECT_TRUE(h.grid()->isVisible() || !h.window->isVisible());
    EXPECT_TRUE(h.grid()->updatesEnabled());
    EXPECT_FALSE(h.find<QProgressBar>("ProgressBar1")->isVisibleTo(h.window.get()));
    EXPECT_EQ(h.find<QProgressBar>("ProgressBar1")->value(), 300);

    // Again: all duplicates, still done, nothing added.
    h.click("DirAdd");
    EXPECT_EQ(h.messages.texts(), (QStringList{Done, Done}));
    EXPECT_EQ(h.rows(), 35);
    expectMirror(h);
}

TEST(AddDirectoryFiles, KeepsListedEntriesAndAppendsTheRest)
{
    Harness h;
    Fixture fx;
    fx.file("a", "1");
    fx.file("b", "22");
    h.openDirectory(fx.path());
    h.doubleClickFile("b");
    fx.file("b", "2222222"); // grown since: the listed entry keeps its old size
    h.click("DirAdd");
    ASSERT_EQ(h.rows(), 2);
    EXPECT_EQ(h.cell(1, 0), "b");
    EXPECT_EQ(h.cell(1, 1), "2  B");
    EXPECT_EQ(h.cell(2, 0), "a");
}

TEST(AddDirectoryFiles, NoOrdinaryFileOrUnreadable)
{
    Harness h;
    Fixture fx;
    fx.subdir("only-a-dir");
    fx.file(".hidden");
    h.openDirectory(fx.path());
    h.click("DirAdd");
    EXPECT_EQ(h.messages.texts(), QStringList{NoFile});
    EXPECT_EQ(h.rows(), 0);
    EXPECT_FALSE(h.find<QProgressBar>("ProgressBar1")->isVisibleTo(h.window.get()));
    EXPECT_TRUE(h.grid()->updatesEnabled());
    EXPECT_EQ(h.panel(2), QStringLiteral("総ファイル数 0"));
}

TEST(AddDirectoryTree, WholeTreeInDirectoryOrderInOneBatch)
{
    Harness h;
    Fixture fx;
    for (const char *d : {"sub", "sub/inner", "Another", ".hidden"})
        fx.subdir(d);
    for (const char *f : {"top.txt", "sub/s1", "sub/s2", "sub/inner/deep", "Another/a", ".hidden/no", ".dot"})
        fx.file(f, "123");
    h.openDirectory(fx.path());
    h.doubleClickFile("top.txt"); // already listed: not added twice
    int inserts = 0;
    QObject::connect(h.grid()->model(), &QAbstractItemModel::rowsInserted, [&] { ++inserts; });

    h.find<QAction>("File_AddTree")->trigger();
    EXPECT_EQ(h.work.titles, QStringList{QStringLiteral("サブディレクトリを含めて追加")});
    EXPECT_EQ(h.messages.texts(), QStringList{Done});
    EXPECT_EQ(inserts, 1);
    QStringList paths;
    for (int r = 1; r <= h.rows(); ++r)
        paths.append(h.cell(r, 3).mid(fx.path().size()) + h.cell(r, 0));
    // Files of a directory in listing order, before its subdirectories.
    QStringList inSub;
    for (const QString &name : listingOrder(fx.path() + "sub"))
        inSub.append("sub/" + name);
    EXPECT_EQ(paths, QStringList({"top.txt", "Another/a"}) + inSub + QStringList{"sub/inner/deep"});
    // The entries of one directory share one directory string.
    const EntryTable &t = h.window->table();
    EXPECT_EQ(t.at(3).Directory.constData(), t.at(4).Directory.constData());
    EXPECT_EQ(h.panel(1), QStringLiteral("総バイト数 15   B"));
    EXPECT_EQ(h.panel(2), QStringLiteral("総ファイル数 5"));
    expectMirror(h);

    // Again from the pop-up menu: everything is listed already.
    h.messages.shown.clear();
    h.find<QAction>("RClick_AddTree")->trigger();
    EXPECT_EQ(h.messages.texts(), QStringList{Done});
    EXPECT_EQ(h.rows(), 5);
}

TEST(AddDirectoryTree, CancelLeavesTheListAsItWas)
{
    Harness h;
    Fixture fx;
    fx.subdir("d");
    fx.file("a", "1");
    fx.file("d/b", "22");
    h.openDirectory(fx.path());
    h.doubleClickFile("a");
    const QString panel1 = h.panel(1);
    h.work.cancelAt = 0;
    h.find<QAction>("File_AddTree")->trigger();
    EXPECT_TRUE(h.messages.shown.isEmpty());
    EXPECT_EQ(h.rows(), 1);
    EXPECT_EQ(h.window->table().EntryCount(), 1);
    EXPECT_EQ(h.panel(1), panel1);
}

TEST(AddDirectoryTree, SkippedDirectoriesAreNamedAfterDone)
{
    Harness h;
    Fixture fx;
    fx.subdir("gone");
    fx.file("gone/lost", "1");
    fx.subdir("kept");
    fx.file("kept/here", "22");
    h.openDirectory(fx.path());
    // The top is read first; its subdirectory vanishes before it is read.
    h.work.onProgress = [&](qint64, const QString &) { Fixture::removeTree(fx.path() + "gone"); };
    h.find<QAction>("File_AddTree")->trigger();
    EXPECT_EQ(h.messages.texts(),
              (QStringList{Done, QStringLiteral("読み込めなかったディレクトリ・ファイルが 1 件ありました。\r") + fx.path()
                                     + "gone/"}));
    EXPECT_EQ(h.rows(), 1);
    EXPECT_EQ(h.cell(1, 0), "here");

    // A tree without a single ordinary file.
    Fixture bare;
    bare.subdir("empty");
    h.openDirectory(bare.path());
    h.messages.shown.clear();
    h.work.onProgress = nullptr;
    h.find<QAction>("File_AddTree")->trigger();
    EXPECT_EQ(h.messages.texts(), QStringList{NoFile});
}

TEST(DeleteSelectedEntry, EmptyListCancelAndRemoval)
{
    Harness h;
    h.click("ListDelete");
    ASSERT_EQ(h.messages.shown.size(), 1);
    EXPECT_EQ(h.messages.shown[0].text, QStringLiteral("ファイルがリストにありません。\r削除できません。"));
    EXPECT_FALSE(h.messages.shown[0].withCancel);

    Fixture fx;
    fx.file("one", "1");
    fx.file("two", "22");
    fx.file("three", "333");
    h.openDirectory(fx.path());
    for (const char *n : {"one", "two", "three"})
        h.doubleClickFile(n);
    h.messages.shown.clear();

    h.selectGridRow(1);
    h.messages.answers = {false};
    h.click("ListDelete");
    ASSERT_EQ(h.messages.shown.size(), 1);
    EXPECT_EQ(h.messages.shown[0].text, QStringLiteral("ファイルをリストから削除します。\rよろしいですか？"));
    EXPECT_EQ(h.messages.shown[0].title, QStringLiteral("リストからファイルを削除"));
    EXPECT_TRUE(h.messages.shown[0].withCancel);
    EXPECT_EQ(h.rows(), 3);

    h.click("ListDelete"); // OK
    ASSERT_EQ(h.rows(), 2);
    EXPECT_EQ(h.cell(1, 0), "two");
    EXPECT_EQ(h.cell(1, 1), "2  B");
    EXPECT_EQ(h.cell(2, 0), "three");
    EXPECT_EQ(h.cell(2, 1), "3  B");
    EXPECT_EQ(h.panel(1), QStringLiteral("総バイト数 5   B"));
    EXPECT_EQ(h.panel(2), QStringLiteral("総ファイル数 2"));

    // A double-click on the last row removes it.
    const QRect last = h.grid()->visualRect(h.grid()->model()->index(1, 0));
    QTest::mouseClick(h.grid()->viewport(), Qt::LeftButton, {}, last.center());
    QTest::mouseDClick(h.grid()->viewport(), Qt::LeftButton, {}, last.center());
    ASSERT_EQ(h.rows(), 1);
    EXPECT_EQ(h.cell(1, 0), "two");

    // Removed files can come back, as the new last entry.
    h.doubleClickFile("one");
    EXPECT_EQ(h.cell(2, 0), "one");
    expectMirror(h);
}

TEST(NewList, CancelKeepsOkClears)
{
    Harness h;
    Fixture fx;
    fx.file("a", "1");
    fx.file("b", "1");
    h.openDirectory(fx.path());
    h.click("DirAdd");
    h.messages.shown.clear();

    h.messages.answers = {false};
    h.click("Shinki");
    ASSERT_EQ(h.messages.shown.size(), 1);
    EXPECT_EQ(h.messages.shown[0].text,
              QStringLiteral("新規リストを作成します。\rデータは、すべて消去されます。\rよろしいですか？"));
    EXPECT_EQ(h.messages.shown[0].title, QStringLiteral("新規リストの作成"));
    EXPECT_EQ(h.rows(), 2);
    EXPECT_EQ(h.panel(2), QStringLiteral("総ファイル数 2"));

    h.click("Shinki");
    EXPECT_EQ(h.rows(), 0);
    EXPECT_EQ(h.panel(1), QStringLiteral("総バイト数 0   B"));
    EXPECT_EQ(h.panel(2), QStringLiteral("総ファイル数 0"));
    EXPECT_EQ(h.grid()->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("バイト (Mixed)"));

    // Everything can be added again.
    h.click("DirAdd");
    EXPECT_EQ(h.rows(), 2);
    expectMirror(h);
}

TEST(MakeListFile, WritesAsksBeforeReplacingAndReportsFailures)
{
    Harness h;
    Fixture fx;
    Fixture out;
    fx.file("readme.txt", QByteArray(1536, 'r'));
    h.openDirectory(fx.path());
    h.doubleClickFile("readme.txt");
    h.window->settings().SaveDirectory = out.path();
    h.window->settings().SaveFileName = "list.txt";
    const QString target = out.path() + "list.txt";

    h.click("ListMake");
    EXPECT_EQ(h.messages.texts(), QStringList{Done});
    const QByteArray first = readAll(target);
    EXPECT_TRUE(first.endsWith(" *      1536  B    readme.txt\r\n"));

    // Cancel keeps the old file byte for byte.
    h.messages.shown.clear();
    h.click("Shinki");
    h.messages.shown.clear();
    h.messages.answers = {false};
    h.click("ListMake");
    ASSERT_EQ(h.messages.shown.size(), 2);
    EXPECT_EQ(h.messages.shown[0].text, QStringLiteral("同じファイル名が存在します。\r上書きしてもよろしいですか？"));
    EXPECT_EQ(h.messages.shown[0].title, QStringLiteral("ファイル上書きの確認"));
    EXPECT_EQ(h.messages.shown[1].text, QStringLiteral("オプションで設定を変更してください。"));
    EXPECT_EQ(readAll(target), first);

    // OK replaces the whole file: the shorter list leaves nothing behind.
    h.messages.shown.clear();
    h.click("ListMake");
    EXPECT_EQ(h.messages.texts(), (QStringList{h.messages.shown[0].text, Done}));
    EXPECT_EQ(readAll(target).size(), first.indexOf('\n') + 1);

    // A missing directory, or a name held by a hidden file or a directory.
    const QString failed = QStringLiteral("リストを作成できませんでした。");
    h.messages.shown.clear();
    h.window->settings().SaveDirectory = out.path() + "missing/";
    h.click("ListMake");
    EXPECT_EQ(h.messages.texts(), QStringList{failed});
    EXPECT_FALSE(QFileInfo::exists(out.path() + "missing"));

    // A directory or a pipe holds the name: refused, and left alone.
    out.subdir("dir.txt");
    ASSERT_EQ(::mkfifo((out.nativePath() + "pipe.txt").constData(), 0644), 0);
    h.window->settings().SaveDirectory = out.path();
    for (const char *name : {"dir.txt", "pipe.txt"}) {
        h.messages.shown.clear();
        h.window->settings().SaveFileName = name;
        h.click("ListMake");
        EXPECT_EQ(h.messages.texts(), QStringList{failed}) << name;
    }
    EXPECT_TRUE(QFileInfo(out.path() + "dir.txt").isDir());

    // The very next write follows a changed file name.
    h.messages.shown.clear();
    h.window->settings().SaveFileName = "other.txt";
    h.click("ListMake");
    EXPECT_EQ(h.messages.texts(), QStringList{Done});
    EXPECT_TRUE(QFileInfo::exists(out.path() + "other.txt"));
}

TEST(MakeListFile, HiddenListFileIsAskedAboutAndReplacedEveryTime)
{
    Harness h;
    Fixture out;
    h.window->settings().SaveDirectory = out.path();
    h.window->settings().SaveFileName = ".list.txt";
    const QString confirm = QStringLiteral("同じファイル名が存在します。\r上書きしてもよろしいですか？");
    h.click("ListMake");
    EXPECT_EQ(h.messages.texts(), QStringList{Done});
    for (int i = 0; i < 2; ++i) {
        h.messages.shown.clear();
        h.click("ListMake");
        EXPECT_EQ(h.messages.texts(), (QStringList{confirm, Done}));
    }
    out.file(".secret", "mine");
    h.window->settings().SaveFileName = ".secret";
    h.messages.shown.clear();
    h.messages.answers = {false};
    h.click("ListMake");
    EXPECT_EQ(h.messages.texts(), (QStringList{confirm, QStringLiteral("オプションで設定を変更してください。")}));
    EXPECT_EQ(readAll(out.path() + ".secret"), QByteArray("mine"));
}

// A list of about 70 KB, then a disk that fills at every kind of point.
TEST(MakeListFile, FullDiskKeepsThePreviousFileAndSaysSo)
{
    Harness h;
    Fixture fx;
    Fixture out;
    for (int i = 0; i < 300; ++i)
        fx.file(QByteArray("file-with-a-long-name-") + QByteArray(180, 'n') + QByteArray::number(i), "x");
    h.openDirectory(fx.path());
    h.click("DirAdd");
    ASSERT_EQ(h.rows(), 300);
    h.window->settings().SaveDirectory = out.path();
    const QString target = out.path() + "list.txt";
    out.file("list.txt", QByteArray(89, 'p'));
    const QByteArray previous = readAll(target);

    for (rlim_t limit : {rlim_t(1), rlim_t(88), rlim_t(4096), rlim_t(16383), rlim_t(40000), rlim_t(65536)}) {
        h.messages.shown.clear();
        {
            FileSizeLimit full(limit);
            h.click("ListMake");
        }
        ASSERT_EQ(h.messages.shown.size(), 2) << limit;
        EXPECT_EQ(h.messages.shown[1].text, QStringLiteral("リストを作成できませんでした。")) << limit;
        EXPECT_EQ(readAll(target), previous) << limit;
        EXPECT_EQ(filesIn(out.path()), QStringList{"list.txt"}) << limit;
    }
    h.messages.shown.clear();
    h.click("ListMake");
    EXPECT_EQ(h.messages.shown.last().text, Done);
    EXPECT_GT(readAll(target).size(), 65536);
}

TEST(MakeListFile, SaysWhichNamesGotQuestionMarks)
{
    Harness h;
    Fixture fx;
    Fixture out;
    fx.file("plain.txt", "1");
    fx.file("résumé.txt", "2");
    fx.file("raw\xff.bin", "3");
    h.openDirectory(fx.path());
    h.click("DirAdd");
    h.window->settings().SaveDirectory = out.path();
    h.messages.shown.clear();
    h.click("ListMake");
    ASSERT_EQ(h.messages.shown.size(), 2);
    EXPECT_EQ(h.messages.shown[0].text, Done);
    const QStringList lines = h.messages.shown[1].text.split('\r');
    EXPECT_EQ(lines.first(),
              QStringLiteral("2 件のファイル名に、リストファイルに書けない文字がありました。「?」に置き換えています。"));
    // Each name beside what the file holds instead.
    QStringList names = lines.mid(1);
    names.sort();
    EXPECT_EQ(names, (QStringList{QStringLiteral("raw\uFFFD.bin → raw?.bin"), QStringLiteral("résumé.txt → r?sum?.txt")}));

    // More than five: the first five and how many more.
    for (int i = 0; i < 6; ++i)
        fx.file(QStringLiteral("é%1.txt").arg(i).toUtf8(), "x");
    h.click("Shinki");
    h.click("DirAdd");
    h.messages.shown.clear();
    h.click("ListMake"); // asks to replace the list, then says it is done
    ASSERT_EQ(h.messages.shown.size(), 3);
    const QStringList many = h.messages.shown[2].text.split('\r');
    ASSERT_EQ(many.size(), 7);
    EXPECT_TRUE(many[0].startsWith(QStringLiteral("8 件のファイル名に")));
    EXPECT_EQ(many[6], QStringLiteral("ほか 3 件"));

    // Nothing replaced: no second message.
    h.click("Shinki");
    h.openDirectory(out.path());
    h.messages.shown.clear();
    h.click("ListMake");
    EXPECT_EQ(h.messages.texts(), (QStringList{h.messages.shown[0].text, Done}));
}

TEST(SaveCsvFile, WritesWhereTheUserSaysAndKeepsTheOldFileOnFailure)
{
    Harness h;
    Fixture fx;
    Fixture out;
    fx.file("a,b.txt", QByteArray(1536, 'a'), 1796720707);
    fx.file("raw\xff", "r", 1796720707);
    h.openDirectory(fx.path());
    h.click("DirAdd");
    h.window->settings().SaveDirectory = out.path();
    h.messages.shown.clear();

    h.chooser.answer.reset(); // cancelled: nothing happens
    h.find<QAction>("File_SaveCsv")->trigger();
    EXPECT_TRUE(h.messages.shown.isEmpty());
    ASSERT_EQ(h.chooser.asked.size(), 1);
    EXPECT_EQ(h.chooser.asked[0], (QStringList{"CSVで保存", out.path(), "list.csv", "*.csv"}));

    h.chooser.answer = out.path() + "list.csv";
    h.find<QAction>("File_SaveCsv")->trigger();
    ASSERT_EQ(h.messages.shown.size(), 2);
    EXPECT_EQ(h.messages.shown[0].text, Done);
    EXPECT_EQ(h.messages.shown[1].text,
              QStringLiteral("1 件のファイル名に、CSVファイルに書けない文字がありました。「\uFFFD」に置き換えています。\rraw\uFFFD"));
    const QByteArray csv = readAll(out.path() + "list.csv");
    EXPECT_TRUE(csv.startsWith("\xEF\xBB\xBF"));
    EXPECT_TRUE(csv.contains("\"a,b.txt\",1536,2026-12-08 09:05:07," + fx.nativePath() + ",\"" + fx.nativePath()
                             + "a,b.txt\"\r\n"));

    // A full disk: the message, and the previous file stays.
    h.messages.shown.clear();
    {
        FileSizeLimit full(100);
        h.find<QAction>("File_SaveCsv")->trigger();
    }
    EXPECT_EQ(h.messages.texts(), QStringList{QStringLiteral("リストを作成できませんでした。")});
    EXPECT_EQ(readAll(out.path() + "list.csv"), csv);
    EXPECT_EQ(filesIn(out.path()), QStringList{"list.csv"});
}

TEST(AddCommands, BackslashIsAnOrdinaryCharacterOfAName)
{
    Harness h;
    Fixture fx;
    fx.subdir("a\\");
    fx.file("a\\/inside.txt", "12345");
    h.openDirectory(fx.path() + "a\\");
    EXPECT_EQ(h.window->commands().CurrentDirPrefix(), fx.path() + "a\\/");
    h.doubleClickFile("inside.txt");
    EXPECT_TRUE(h.messages.shown.isEmpty());
    ASSERT_EQ(h.rows(), 1);
    EXPECT_EQ(h.cell(1, 3), fx.path() + "a\\/");

    h.click("DirAdd");
    EXPECT_EQ(h.messages.texts(), QStringList{Done});
    EXPECT_EQ(h.rows(), 1); // the same file, the same directory: a duplicate
}

// A saved list read back, checked against the disk after it changed, and
// against the saved list; a file that is no list adds nothing.
TEST(RecordCommands, OpenACsvCheckItAndCompare)
{
    Harness h;
    Fixture fx;
    Fixture out;
    fx.file("a.txt", "1", 1700000000);
    fx.file("b.txt", "22", 1700000000);
    h.openDirectory(fx.path());
    h.click("DirAdd");
    h.window->settings().SaveDirectory = out.path();
    h.chooser.answer = out.path() + "list.csv";
    h.find<QAction>("File_SaveCsv")->trigger();
    h.click("Shinki");
    h.messages.shown.clear();
    h.chooser.asked.clear();

    h.find<QAction>("File_OpenCsv")->trigger();
    EXPECT_EQ(h.chooser.asked.value(0), (QStringList{"CSVを開く", out.path(), QString(), "*.csv"}));
    EXPECT_EQ(h.messages.texts(), QStringList{QStringLiteral("2 件を読み込みました。")});
    ASSERT_EQ(h.rows(), 2);
    EXPECT_EQ(h.grid()->model()->columnCount(), 4);
    EXPECT_EQ(h.panel(2), QStringLiteral("総ファイル数 2"));

    fx.file("b.txt", "2222", 1700000000);
    fx.remove("a.txt");
    fx.file("c.txt", "333", 1700000000);
    // Cancelled: the list and its states as they were.
    h.work.cancelAt = 0;
    h.messages.shown.clear();
    h.find<QAction>("File_CheckDisk")->trigger();
    h.work.cancelAt = -1;
    EXPECT_TRUE(h.messages.shown.isEmpty());
    EXPECT_EQ(h.grid()->model()->columnCount(), 4);
    EXPECT_EQ(h.rows(), 2);

    h.find<QAction>("File_CheckDisk")->trigger();
    EXPECT_EQ(h.messages.texts(), QStringList{QStringLiteral("照合が終わりました。\r一致 0 件、変更 1 件、なし 1 件、新規 1 件")});
    // The record stays; what the disk holds stands beside it while some entry differs.
    ASSERT_EQ(h.grid()->model()->columnCount(), 7);
    EXPECT_EQ(h.grid()->model()->headerData(4, Qt::Horizontal).toString(), QStringLiteral("照合"));
    EXPECT_EQ(h.grid()->model()->headerData(5, Qt::Horizontal).toString(), QStringLiteral("現在のバイト数"));
    EXPECT_EQ(h.grid()->model()->headerData(6, Qt::Horizontal).toString(), QStringLiteral("現在の更新日時"));
    ASSERT_EQ(h.rows(), 3);
    QStringList states;
    for (int r = 1; r <= 2; ++r)
        states.append(h.cell(r, 0) + "=" + h.cell(r, 4) + "=" + h.cell(r, 5));
    states.sort();
    EXPECT_EQ(states, (QStringList{QStringLiteral("a.txt=なし="), QStringLiteral("b.txt=変更=4  B")}));
    EXPECT_EQ(h.cell(3, 0) + "=" + h.cell(3, 4), QStringLiteral("c.txt=新規"));
    EXPECT_EQ(h.panel(2), QStringLiteral("総ファイル数 3"));

    // Against the saved list (the newer one): the record never changed, and
    // the rows the disk check added are gone before it starts.
    h.messages.shown.clear();
    h.chooser.asked.clear();
    h.find<QAction>("File_CheckList")->trigger();
    EXPECT_EQ(h.chooser.asked.value(0).value(0), QStringLiteral("照合する新しいリストを開く"));
    EXPECT_EQ(h.messages.texts(), QStringList{QStringLiteral("照合が終わりました。\r一致 2 件")});
    EXPECT_EQ(h.rows(), 2);
    EXPECT_EQ(h.grid()->model()->columnCount(), 5);

    // Not a list, a broken row: nothing added, the line named.
    out.file("plain.txt", "hello\r\n");
    out.file("broken.csv", QStringLiteral("ファイル名,バイト数,更新日時,ディレクトリ\r\nx,1,2026-12-08 09:05:07,/d/\r\ny,big,2026-12-08 09:05:07,/d/\r\n").toUtf8());
    for (const auto &[file, said] : {std::pair{"plain.txt", QStringLiteral("このファイルはリストのCSVではありません。")},
                                     std::pair{"broken.csv", QStringLiteral("3 行目を読み込めませんでした。")}}) {
        h.messages.shown.clear();
        h.chooser.answer = out.path() + file;
        h.find<QAction>("File_OpenCsv")->trigger();
        EXPECT_EQ(h.messages.texts(), QStringList{said});
        EXPECT_EQ(h.rows(), 2);
    }
    h.click("Shinki");
    EXPECT_EQ(h.grid()->model()->columnCount(), 4);
}

// SHA-256 through the window: the column shows, the manifest is saved where
// the user says, and a file that cannot be read is named.
TEST(RecordCommands, Sha256ColumnAndManifest)
{
    Harness h;
    Fixture fx;
    fx.file("a.txt", "abc");
    fx.file("b.txt", "");
    h.openDirectory(fx.path());
    h.click("DirAdd");
    h.messages.shown.clear();
    h.find<QAction>("File_SaveSums")->trigger();
    EXPECT_EQ(h.messages.texts(), QStringList{QStringLiteral("SHA-256を計算したファイルがありません。")});

    fx.remove("b.txt");
    h.messages.shown.clear();
    h.find<QAction>("File_Sha256")->trigger();
    ASSERT_EQ(h.messages.shown.size(), 2);
    EXPECT_EQ(h.messages.shown[0].text, Done);
    EXPECT_EQ(h.messages.shown[1].text,
              QStringLiteral("読み込めなかったディレクトリ・ファイルが 1 件ありました。\r") + fx.path() + "b.txt");
    ASSERT_EQ(h.grid()->model()->columnCount(), 5);
    EXPECT_EQ(h.grid()->model()->headerData(4, Qt::Horizontal).toString(), "SHA-256");
    QStringList digests{h.cell(1, 0) + "=" + h.cell(1, 4), h.cell(2, 0) + "=" + h.cell(2, 4)};
    digests.sort();
    EXPECT_EQ(digests, (QStringList{"a.txt=ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad", "b.txt="}));

    h.messages.shown.clear();
    h.chooser.asked.clear();
    h.chooser.answer = fx.path() + "SHA256SUMS";
    h.find<QAction>("File_SaveSums")->trigger();
    EXPECT_EQ(h.chooser.asked.value(0), (QStringList{"SHA256SUMSで保存", fx.path(), "SHA256SUMS", QString()}));
    EXPECT_EQ(h.messages.texts(), (QStringList{Done, QStringLiteral("SHA-256がないファイルが 1 件あります。")}));
    EXPECT_EQ(readAll(fx.path() + "SHA256SUMS"),
              QByteArray("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad  a.txt\n"));
    h.click("Shinki");
    EXPECT_EQ(h.grid()->model()->columnCount(), 4);
}

} // namespace
} // namespace qn

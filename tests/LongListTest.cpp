#include "UiHarness.h"

#include "output/GridTitles.h"
#include "ui/EntryModel.h"

#include <QAbstractItemModelTester>
#include <QClipboard>
#include <QHeaderView>
#include <QMimeData>
#include <QProgressBar>
#include <QTreeWidgetItemIterator>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace qn {
namespace {

using namespace test;

const QString Done = QStringLiteral("完了！！");
const QString NoFile = QStringLiteral("ファイルが存在しません。");

QStringList column(const Harness &h, int c)
{
    QStringList cells;
    for (int r = 1; r <= h.rows(); ++r)
        cells.append(h.cell(r, c));
    return cells;
}

void clickTitle(const Harness &h, int section)
{
    QHeaderView *header = h.grid()->horizontalHeader();
    const QPoint at(header->sectionViewportPosition(section) + header->sectionSize(section) / 2, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
}

void clickRow(const Harness &h, int row, Qt::KeyboardModifiers modifiers = {})
{
    const QRect r = h.grid()->visualRect(h.grid()->model()->index(row - 1, 0));
    QTest::mouseClick(h.grid()->viewport(), Qt::LeftButton, modifiers, r.center());
}

// A list of files with the given sizes and times, added in this order.
struct Listed {
    const char *name;
    qint64 size;
    qint64 modified;
};

void addFiles(Harness &h, Fixture &fx, std::initializer_list<Listed> files)
{
    for (const Listed &f : files)
        fx.file(f.name, QByteArray(int(f.size), 'x'), f.modified);
    h.openDirectory(fx.path());
    for (const Listed &f : files)
        h.doubleClickFile(QString::fromUtf8(f.name));
}

TEST(SortByTitle, ClicksSortTheListItselfAndReverse)
{
    Harness h;
    QAbstractItemModelTester tester(h.grid()->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    h.window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(h.window.get()));
    Fixture fx;
    addFiles(h, fx, {{"file10", 10, 3000}, {"File2", 9000, 1000}, {"b", 15, 2000}, {"file1", 0, 4000}});
    int layouts = 0;
    QObject::connect(h.grid()->model(), &QAbstractItemModel::layoutChanged, [&] { ++layouts; });
    QHeaderView *header = h.grid()->horizontalHeader();

    clickTitle(h, NameCol);
    EXPECT_EQ(column(h, 0), (QStringList{"b", "file1", "File2", "file10"}));
    EXPECT_EQ(layouts, 1);
    EXPECT_EQ(header->sortIndicatorSection(), int(NameCol));
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
    clickTitle(h, NameCol);
    EXPECT_EQ(column(h, 0), (QStringList{"file10", "File2", "file1", "b"}));
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);

    // By bytes, not by the text: "9 KB" comes after "15  B" in the mixed unit.
    clickTitle(h, SizeCol);
    EXPECT_EQ(column(h, 1), (QStringList{"0  B", "10  B", "15  B", "9000  B"}));
    h.click("Hyoji"); // 3 -> 0, then on to kilobytes
    h.click("Hyoji");
    EXPECT_EQ(column(h, 0), (QStringList{"file1", "file10", "b", "File2"}));
    clickTitle(h, DateCol);
    EXPECT_EQ(column(h, 0), (QStringList{"File2", "b", "file10", "file1"}));
    // Titles keep their text.
    EXPECT_EQ(h.grid()->model()->headerData(DateCol, Qt::Horizontal).toString(), QStringLiteral("更新日"));

    // The list file and removal by row follow the order on screen.
    h.window->settings().SaveDirectory = fx.path();
    h.window->settings().SaveFileName = "out.txt";
    h.click("ListMake");
    const QList<QByteArray> lines = readAll(fx.path() + "out.txt").split('\n');
    ASSERT_EQ(lines.size(), 6);
    EXPECT_TRUE(lines[1].endsWith("File2\r"));
    EXPECT_TRUE(lines[4].endsWith("file1\r"));
    clickRow(h, 1);
    h.click("ListDelete");
    EXPECT_EQ(column(h, 0), (QStringList{"b", "file10", "file1"}));

    // An add puts its entries at the end: the list is no longer sorted.
    fx.file("a-new", "n");
    h.files()->setPath(fx.path()); // File1 reads the folder again
    h.doubleClickFile("a-new");
    EXPECT_EQ(h.cell(4, 0), "a-new");
    EXPECT_EQ(header->sortIndicatorSection(), -1);
    clickTitle(h, DateCol); // a first click again: ascending
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
}

TEST(SortByTitle, DirectoryThenNameAndTheCurrentEntryStaysCurrent)
{
    Harness h;
    h.window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(h.window.get()));
    Fixture fx;
    fx.subdir("b");
    fx.subdir("a");
    for (const char *f : {"b/2", "a/9", "b/1", "a/10"})
        fx.file(f, "x");
    for (const char *d : {"b", "a"}) {
        h.openDirectory(fx.path() + d);
        h.click("DirAdd");
    }
    const QString current = h.cell(2, 3) + h.cell(2, 0);
    clickRow(h, 2);
    clickTitle(h, DirCol);
    QStringList paths;
    for (int r = 1; r <= h.rows(); ++r)
        paths.append(h.cell(r, 3).mid(fx.path().size()) + h.cell(r, 0));
    EXPECT_EQ(paths, (QStringList{"a/9", "a/10", "b/1", "b/2"}));
    const QModelIndex now = h.grid()->currentIndex();
    EXPECT_EQ(h.cell(now.row() + 1, 3) + h.cell(now.row() + 1, 0), current);
    EXPECT_TRUE(h.grid()->selectionModel()->isRowSelected(now.row(), QModelIndex()));
}

// Ctrl+Home and Ctrl+End select the row they move to, so 削除 removes the
// row the user sees; with Shift they extend the selection.
TEST(Selection, CtrlHomeAndCtrlEndSelectTheRowTheyReach)
{
    Harness h;
    h.window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(h.window.get()));
    Fixture fx;
    addFiles(h, fx, {{"r1", 1, 0}, {"r2", 2, 0}, {"r3", 3, 0}, {"r4", 4, 0}, {"r5", 5, 0}});
    const auto selected = [&h] {
        QList<int> rows;
        for (const QModelIndex &i : h.grid()->selectionModel()->selectedRows())
            rows.append(i.row() + 1);
        std::sort(rows.begin(), rows.end());
        return rows;
    };
    clickRow(h, 3);
    QTest::keyClick(h.grid(), Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(h.grid()->currentIndex().row() + 1, 5);
    EXPECT_EQ(selected(), QList<int>{5});
    QTest::keyClick(h.grid(), Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(selected(), QList<int>{1});
    QTest::keyClick(h.grid(), Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(selected(), (QList<int>{1, 2, 3, 4, 5}));
    QTest::keyClick(h.grid(), Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(h.grid(), Qt::Key_Delete);
    EXPECT_EQ(h.rows(), 4);
    EXPECT_EQ(h.cell(1, 0), "r2");
}

TEST(Selection, ManyRowsGoAtOnceAfterOneQuestion)
{
    Harness h;
    h.window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(h.window.get()));
    Fixture fx;
    addFiles(h, fx, {{"r1", 1, 0}, {"r2", 2, 0}, {"r3", 3, 0}, {"r4", 4, 0}, {"r5", 5, 0}, {"r6", 6, 0}});

    clickRow(h, 2);
    clickRow(h, 4, Qt::ControlModifier);
    clickRow(h, 5, Qt::ControlModifier);
    h.messages.answers = {false};
    h.click("ListDelete");
    ASSERT_EQ(h.messages.shown.size(), 1);
    EXPECT_EQ(h.messages.shown[0].text, QStringLiteral("選択した 3 件のファイルをリストから削除します。\rよろしいですか？"));
    EXPECT_EQ(h.messages.shown[0].title, QStringLiteral("リストからファイルを削除"));
    EXPECT_EQ(h.rows(), 6);

    h.messages.shown.clear();
    h.grid()->setFocus();
    QTest::keyClick(h.grid(), Qt::Key_Delete); // OK
    EXPECT_EQ(column(h, 0), (QStringList{"r1", "r3", "r6"}));
    EXPECT_EQ(h.panel(1), QStringLiteral("総バイト数 10   B"));
    EXPECT_EQ(h.panel(2), QStringLiteral("総ファイル数 3"));
    // The grid keeps the focus, the row after the first removed one current.
    EXPECT_TRUE(h.grid()->hasFocus());
    EXPECT_EQ(h.grid()->currentIndex().row(), 1);

    // Shift+click, then Shift+arrow: rows 1 to 3, all of them.
    clickRow(h, 1);
    clickRow(h, 2, Qt::ShiftModifier);
    QTest::keyClick(h.grid(), Qt::Key_Down, Qt::ShiftModifier);
    h.messages.shown.clear();
    h.find<QAction>("RClick_Delete")->trigger();
    EXPECT_EQ(h.messages.shown[0].text, QStringLiteral("選択した 3 件のファイルをリストから削除します。\rよろしいですか？"));
    EXPECT_EQ(h.rows(), 0);
    h.messages.shown.clear();
    h.click("ListDelete");
    EXPECT_EQ(h.messages.texts(), QStringList{QStringLiteral("ファイルがリストにありません。\r削除できません。")});
}

TEST(Selection, OneRowAsksTheDescribedQuestionAndCtrlASelectsAll)
{
    Harness h;
    h.window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(h.window.get()));
    Fixture fx;
    addFiles(h, fx, {{"a", 1, 0}, {"b", 2, 0}, {"c", 3, 0}});
    clickRow(h, 3);
    h.click("ListDelete");
    EXPECT_EQ(h.messages.texts(), QStringList{QStringLiteral("ファイルをリストから削除します。\rよろしいですか？")});
    EXPECT_EQ(column(h, 0), (QStringList{"a", "b"}));

    h.messages.shown.clear();
    h.grid()->setFocus();
    QTest::keyClick(h.grid(), Qt::Key_A, Qt::ControlModifier);
    h.click("ListDelete");
    EXPECT_EQ(h.messages.texts(),
              QStringList{QStringLiteral("選択した 2 件のファイルをリストから削除します。\rよろしいですか？")});
    EXPECT_EQ(h.rows(), 0);
}

TEST(Copy, SelectedRowsAsTabSeparatedText)
{
    Harness h;
    h.window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(h.window.get()));
    Fixture fx;
    addFiles(h, fx, {{"one.txt", 1536, 1796720707}, {"two\ttab", 12, 0}, {"three", 3, 0}});
    clickRow(h, 3);
    clickRow(h, 1, Qt::ControlModifier);
    h.grid()->setFocus();
    QTest::keyClick(h.grid(), Qt::Key_C, Qt::ControlModifier);
    const QString dir = fx.path();
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              "one.txt\t1536  B\t2026/12/08 9:05:07\t" + dir + "\nthree\t3  B\t1970/01/01\t" + dir + "\n");

    clickRow(h, 2);
    h.find<QAction>("RClick_Copy")->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "two tab\t12  B\t1970/01/01\t" + dir + "\n");
}

// Ctrl+C in the grid copies the selected rows however the focus got there:
// by Tab, after Ctrl+A, after a message box closed.
TEST(Copy, CtrlCCopiesTheRowsHoweverTheFocusArrived)
{
    Harness h;
    h.window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(h.window.get()));
    Fixture fx;
    addFiles(h, fx, {{"one.txt", 1, 0}, {"two.txt", 2, 0}});
    const QString dir = fx.path();
    const QString both = "one.txt\t1  B\t1970/01/01\t" + dir + "\ntwo.txt\t2  B\t1970/01/01\t" + dir + "\n";
    // The key as a person types it, and as the grid gets it when no
    // shortcut takes it first.
    const auto copied = [&h] {
        QGuiApplication::clipboard()->clear();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::ControlModifier);
        const QString typed = QGuiApplication::clipboard()->text();
        QGuiApplication::clipboard()->clear();
        QKeyEvent key(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier, QStringLiteral("c"));
        QApplication::sendEvent(h.grid(), &key);
        const QString received = QGuiApplication::clipboard()->text();
        return typed == received ? typed : typed + " <> " + received;
    };

    h.files()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(h.files(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), h.grid());
    QTest::keyClick(h.grid(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(copied(), both);

    h.grid()->clearFocus();
    h.grid()->setFocus(Qt::ActiveWindowFocusReason); // as after a message box closes
    EXPECT_EQ(copied(), both);

    h.grid()->selectionModel()->clearSelection();
    h.grid()->setCurrentIndex(h.grid()->model()->index(1, 2));
    EXPECT_EQ(copied(), "two.txt\t2  B\t1970/01/01\t" + dir + "\n");
}

// A drop from a file manager, as the grid or File1 gets it. The drop returns
// before anything is added or said, so the file manager is not held; the
// adding follows once the events queued meanwhile run.
void drop(const Harness &h, QWidget *target, const QList<QUrl> &urls)
{
    QMimeData mime;
    mime.setUrls(urls);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(target, &enter);
    ASSERT_TRUE(enter.isAccepted());
    const int rows = h.rows();
    const qsizetype said = h.messages.shown.size();
    QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(target, &dropped);
    EXPECT_TRUE(dropped.isAccepted());
    EXPECT_EQ(h.rows(), rows);
    EXPECT_EQ(h.messages.shown.size(), said);
    QCoreApplication::sendPostedEvents();
}

QUrl fileUrl(const QByteArray &nativePath)
{
    return QUrl(QString::fromLatin1("file://" + nativePath.toPercentEncoding("/")));
}

TEST(DragAndDrop, FilesAndFoldersAreAddedInOneOperation)
{
    Harness h;
    Fixture fx;
    fx.subdir("folder");
    fx.file("folder/f1", "1");
    fx.file("folder/f2", "22");
    fx.file("folder/.hidden", "h");
    fx.file("single.txt", "333");
    fx.file("raw\xff.bin", "4444");

    drop(h, h.grid()->viewport(), {fileUrl(fx.nativePath() + "single.txt"), fileUrl(fx.nativePath() + "folder"),
                                QUrl("https://example.com/not-a-file"), fileUrl(fx.nativePath() + "raw\xff.bin")});
    EXPECT_EQ(h.messages.texts(), QStringList{Done});
    ASSERT_EQ(h.rows(), 4);
    EXPECT_EQ(h.cell(1, 0), "single.txt");
    EXPECT_EQ(h.cell(1, 3), fx.path());
    EXPECT_EQ(h.cell(2, 3), fx.path() + "folder/");
    EXPECT_EQ(encodeName(h.window->table().at(4).FileName), QByteArray("raw\xff.bin"));
    EXPECT_EQ(h.panel(2), QStringLiteral("総ファイル数 4"));
    EXPECT_FALSE(h.find<QProgressBar>("ProgressBar1")->isVisibleTo(h.window.get()));

    // Onto File1, with what cannot be added among it: the rest goes in, one message.
    ::mkfifo((fx.nativePath() + "fifo").constData(), 0644);
    fx.file("late.txt", "5");
    h.messages.shown.clear();
    drop(h, h.files()->viewport(), {fileUrl(fx.nativePath() + "vanished"), fileUrl(fx.nativePath() + "fifo"),
                                 fileUrl(fx.nativePath() + "single.txt"), fileUrl(fx.nativePath() + "late.txt")});
    EXPECT_EQ(h.messages.texts(), QStringList{NoFile});
    EXPECT_EQ(h.rows(), 5);
    EXPECT_EQ(h.cell(5, 0), "late.txt");
}

TEST(DragAndDrop, OnlyLocalFilesAreTaken)
{
    Harness h;
    QMimeData mime;
    mime.setUrls({QUrl("https://example.com/a.txt")});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(h.grid()->viewport(), &enter);
    EXPECT_FALSE(enter.isAccepted());
    QMimeData text;
    text.setText("/etc/passwd");
    QDragEnterEvent plain(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, {});
    QApplication::sendEvent(h.grid()->viewport(), &plain);
    EXPECT_FALSE(plain.isAccepted());
}

TEST(Keyboard, EnterAddsInFile1AndOpensInDir1)
{
    Harness h;
    h.window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(h.window.get()));
    Fixture fx;
    fx.subdir("inner");
    fx.file("pick.txt", "1");
    h.openDirectory(fx.path());
    h.selectFile("pick.txt");
    h.files()->setFocus();
    QTest::keyClick(h.files(), Qt::Key_Return);
    ASSERT_EQ(h.rows(), 1);
    EXPECT_EQ(h.cell(1, 0), "pick.txt");
    EXPECT_TRUE(h.messages.shown.isEmpty());

    QTreeWidgetItem *inner = nullptr;
    for (QTreeWidgetItemIterator it(h.dirs()); *it; ++it) {
        if ((*it)->text(0) == "inner")
            inner = *it;
    }
    ASSERT_TRUE(inner);
    h.dirs()->setCurrentItem(inner);
    h.dirs()->setFocus();
    QTest::keyClick(h.dirs(), Qt::Key_Return);
    EXPECT_EQ(h.dirs()->path(), fx.path() + "inner");
    EXPECT_EQ(h.files()->path(), fx.path() + "inner");
}

} // namespace
} // namespace qn

#include "CheckScenario.h"
#include "UiHarness.h"

#include "ui/HelpWindow.h"
#include "ui/ListCommands.h"
#include "ui/ScopeDialog.h"

#include "platform/Cp932.h"

#include <QCheckBox>
#include <QDateTime>
#include <QPlainTextEdit>

#include <QLineEdit>
#include <QPointer>

#include <QAction>

#include <gtest/gtest.h>

namespace qn {
namespace {

using namespace test;

const QString Done = QStringLiteral("完了！！");

// Each row as directory + name = state, sorted.
QStringList gridStates(const Harness &h)
{
    QStringList out;
    for (int r = 1; r <= h.rows(); ++r)
        out.append(h.cell(r, 3) + h.cell(r, 0) + "=" + h.cell(r, 4));
    out.sort();
    return out;
}

int rowOf(const Harness &h, const QString &name)
{
    for (int r = 1; r <= h.rows(); ++r) {
        if (h.cell(r, 0) == name)
            return r;
    }
    return 0;
}

int visibleRows(const Harness &h)
{
    int n = 0;
    for (int r = 0; r < h.rows(); ++r)
        n += h.grid()->isRowHidden(r) ? 0 : 1;
    return n;
}

// The whole scope through the window, checked twice with the same answer:
// the scope shown first, the record kept, the differences tinted and shown
// alone on demand, the result applied only when confirmed.
TEST(RecordCheck, TheWholeScopeTwiceThenApplied)
{
    Harness h;
    CheckScenario s;
    const QString root = s.fx.path();
    h.openDirectory(root);
    h.find<QAction>("File_AddTree")->trigger();
    h.find<QAction>("File_Sha256")->trigger();
    ASSERT_EQ(h.rows(), 6);
    FilterPatterns patterns;
    patterns.exclude = "*.tmp";
    h.window->commands().setFilter(NameFilter(patterns));
    s.change();

    const QString summary = QStringLiteral("照合が終わりました。\r一致 2 件、変更 1 件、内容変更 1 件、なし 2 件、新規 4 件");
    const QStringList expected = CheckScenario::expected(root, QStringLiteral("一致"), QStringLiteral("変更"),
                                                         QStringLiteral("内容変更"), QStringLiteral("なし"),
                                                         QStringLiteral("新規"));
    for (int run = 0; run < 2; ++run) {
        h.messages.shown.clear();
        h.scope.proposed.clear();
        h.find<QAction>("File_CheckDisk")->trigger();
        ASSERT_EQ(h.scope.proposed.size(), 1);
        EXPECT_EQ(h.scope.proposed[0].paths(), QStringList{root});
        EXPECT_TRUE(h.scope.proposed[0].folders[0].subdirectories);
        EXPECT_EQ(h.messages.texts(), QStringList{summary});
        EXPECT_EQ(gridStates(h), expected);
        ASSERT_EQ(h.grid()->model()->columnCount(), 8);
        EXPECT_EQ(h.grid()->model()->headerData(6, Qt::Horizontal).toString(), QStringLiteral("現在のバイト数"));
        EXPECT_EQ(h.grid()->model()->headerData(7, Qt::Horizontal).toString(), QStringLiteral("現在の更新日時"));
    }
    // The record as it was added; what the disk holds beside it.
    const int touched = rowOf(h, "touched.txt");
    EXPECT_EQ(h.grid()->model()->index(touched - 1, 2).data(EntryModel::RawValueRole).toLongLong(), CheckScenario::Time);
    EXPECT_EQ(h.grid()->model()->index(touched - 1, 7).data(EntryModel::RawValueRole).toLongLong(),
              CheckScenario::Time + 100);
    EXPECT_TRUE(h.cell(rowOf(h, "top.txt"), 6).isEmpty());
    EXPECT_EQ(h.panel(2), QStringLiteral("総ファイル数 10"));

    // One tint for each kind of difference, none for 一致.
    const auto tint = [&](const char *name) {
        return h.grid()->model()->index(rowOf(h, name) - 1, 0).data(Qt::BackgroundRole);
    };
    EXPECT_FALSE(tint("top.txt").isValid());
    QSet<QString> tints;
    for (const char *name : {"touched.txt", "b.txt", "removed.txt", "late.txt"}) {
        ASSERT_TRUE(tint(name).isValid()) << name;
        tints.insert(tint(name).value<QColor>().name());
    }
    EXPECT_EQ(tints.size(), 4);
    EXPECT_EQ(tint("removed.txt"), tint("x.txt"));

    // Differences only, until unchecked.
    QAction *only = h.find<QAction>("File_DiffOnly");
    ASSERT_TRUE(only->isCheckable());
    only->trigger();
    EXPECT_EQ(visibleRows(h), 8);
    EXPECT_TRUE(h.grid()->isRowHidden(rowOf(h, "top.txt") - 1));
    // Writers take the whole list, whatever is shown.
    h.chooser.answer = h.program.path() + "shown.csv";
    h.find<QAction>("File_SaveCsv")->trigger();
    EXPECT_EQ(readAll(h.program.path() + "shown.csv").count('\n'), 11);
    only->trigger();
    EXPECT_EQ(visibleRows(h), 10);
    only->trigger();

    // The scope dialog cancelled: nothing checked; a scope of one folder alone.
    h.messages.shown.clear();
    h.scope.cancel = true;
    h.find<QAction>("File_CheckDisk")->trigger();
    h.scope.cancel = false;
    EXPECT_TRUE(h.messages.shown.isEmpty());
    EXPECT_EQ(h.rows(), 10);
    h.scope.answer = CheckScope{{root + "keep/"}, false};
    h.find<QAction>("File_CheckDisk")->trigger();
    h.scope.answer.reset();
    EXPECT_EQ(h.messages.texts(), QStringList{QStringLiteral("照合が終わりました。\r一致 2 件、変更 1 件、内容変更 1 件、なし 2 件")});
    EXPECT_EQ(h.rows(), 6);
    EXPECT_EQ(visibleRows(h), 4); // still differences only
    h.find<QAction>("File_CheckDisk")->trigger();

    // Applied only when confirmed: the list becomes what the disk is.
    h.messages.shown.clear();
    h.messages.answers = {false};
    h.find<QAction>("File_ApplyCheck")->trigger();
    EXPECT_EQ(h.messages.texts(), QStringList{QStringLiteral("照合結果をリストに反映します。よろしいですか？")});
    EXPECT_EQ(h.rows(), 10);
    // キャンセル while the changed file's digest is computed again: nothing applied.
    h.work.cancelAt = 0;
    h.work.titles.clear();
    h.find<QAction>("File_ApplyCheck")->trigger();
    h.work.cancelAt = -1;
    EXPECT_EQ(h.work.titles, QStringList{QStringLiteral("照合結果を反映")});
    EXPECT_EQ(h.rows(), 10);
    EXPECT_EQ(h.grid()->model()->columnCount(), 8);
    h.messages.shown.clear();
    h.find<QAction>("File_ApplyCheck")->trigger();
    EXPECT_EQ(h.messages.texts(), (QStringList{QStringLiteral("照合結果をリストに反映します。よろしいですか？"), Done}));
    EXPECT_EQ(h.rows(), 8);
    EXPECT_FALSE(only->isChecked());
    EXPECT_EQ(visibleRows(h), 8);
    EXPECT_EQ(h.grid()->model()->columnCount(), 5); // the digests alone stay
    EXPECT_EQ(h.grid()->model()->index(rowOf(h, "touched.txt") - 1, 2).data(EntryModel::RawValueRole).toLongLong(),
              CheckScenario::Time + 100);

    // The digest of the changed content was computed again: all agree now.
    h.messages.shown.clear();
    h.find<QAction>("File_CheckDisk")->trigger();
    EXPECT_EQ(h.messages.texts(), QStringList{QStringLiteral("照合が終わりました。\r一致 8 件")});
    EXPECT_EQ(h.grid()->model()->columnCount(), 6);
    h.click("Shinki");
    h.messages.shown.clear();
    h.find<QAction>("File_ApplyCheck")->trigger();
    EXPECT_EQ(h.messages.texts(), QStringList{QStringLiteral("照合結果がありません。")});
}

// Folders added in different ways keep their own scope: the tree add's
// folder is walked with its subfolders, the directory add's alone, checked
// twice alike. The scope dialog shows the mix as a partly checked box that
// keeps each folder's choice until it is checked or unchecked.
TEST(RecordCheck, FoldersAddedInDifferentWaysKeepTheirOwnScope)
{
    constexpr qint64 Time = CheckScenario::Time;
    Harness h;
    Fixture fx;
    for (const char *d : {"A", "A/sub", "B", "B/sub"})
        fx.subdir(d);
    fx.file("A/a.txt", "a", Time);
    fx.file("A/sub/s.txt", "s", Time);
    fx.file("B/b.txt", "b", Time);
    fx.file("B/sub/old.txt", "o", Time);
    const QString a = fx.path() + "A/", b = fx.path() + "B/";
    h.openDirectory(a);
    h.find<QAction>("File_AddTree")->trigger();
    h.openDirectory(b);
    h.click("DirAdd");
    ASSERT_EQ(h.rows(), 3);
    fx.file("A/sub/new.txt", "n", Time);
    fx.file("B/sub/new.txt", "n", Time);
    fx.file("B/new.txt", "n", Time);

    QStringList expected{a + QStringLiteral("a.txt=一致"), a + QStringLiteral("sub/s.txt=一致"),
                         b + QStringLiteral("b.txt=一致"), a + QStringLiteral("sub/new.txt=新規"),
                         b + QStringLiteral("new.txt=新規")};
    expected.sort();
    for (int run = 0; run < 2; ++run) {
        h.messages.shown.clear();
        h.scope.proposed.clear();
        h.find<QAction>("File_CheckDisk")->trigger();
        ASSERT_EQ(h.scope.proposed.size(), 1);
        const CheckScope &proposed = h.scope.proposed[0];
        EXPECT_EQ(proposed.paths(), (QStringList{a, b}));
        ASSERT_EQ(proposed.folders.size(), 2u);
        EXPECT_TRUE(proposed.folders[0].subdirectories);
        EXPECT_FALSE(proposed.folders[1].subdirectories);
        EXPECT_EQ(h.messages.texts(), QStringList{QStringLiteral("照合が終わりました。\r一致 3 件、新規 2 件")});
        EXPECT_EQ(gridStates(h), expected);
    }

    ScopeDialog dialog(h.scope.proposed[0]);
    auto *folders = dialog.findChild<QPlainTextEdit *>("ScopeFolders");
    auto *subdirectories = dialog.findChild<QCheckBox *>("ScopeSubdirectories");
    ASSERT_TRUE(folders && subdirectories);
    const auto choices = [&dialog] {
        QList<bool> out;
        for (const ScopeFolder &f : dialog.scope().folders)
            out.append(f.subdirectories);
        return out;
    };
    EXPECT_EQ(subdirectories->checkState(), Qt::PartiallyChecked);
    folders->setPlainText(folders->toPlainText() + "\n/typed/");
    EXPECT_EQ(choices(), (QList<bool>{true, false, false}));
    subdirectories->setCheckState(Qt::Checked);
    EXPECT_EQ(choices(), (QList<bool>{true, true, true}));
    subdirectories->setCheckState(Qt::Unchecked);
    EXPECT_EQ(choices(), (QList<bool>{false, false, false}));
    QTest::mouseClick(subdirectories, Qt::LeftButton); // back to each its own
    EXPECT_EQ(subdirectories->checkState(), Qt::PartiallyChecked);
    EXPECT_EQ(choices(), (QList<bool>{true, false, false}));
}

// A list saved after a check opens as it was saved: the states, what the
// check found, the 新規 rows outside the record. Saved again it is the same
// file; checked again it gives the same answer.
TEST(RecordCheck, AListSavedAfterACheckOpensAsItWasSaved)
{
    CheckScenario s;
    const QString root = s.fx.path();
    FilterPatterns patterns;
    patterns.exclude = "*.tmp";
    const QString summary = QStringLiteral("照合が終わりました。\r一致 2 件、変更 1 件、内容変更 1 件、なし 2 件、新規 4 件");
    const QStringList expected = CheckScenario::expected(root, QStringLiteral("一致"), QStringLiteral("変更"),
                                                         QStringLiteral("内容変更"), QStringLiteral("なし"),
                                                         QStringLiteral("新規"));
    Fixture lists;
    const QString saved = lists.path() + "checked.csv";
    {
        Harness h;
        h.openDirectory(root);
        h.find<QAction>("File_AddTree")->trigger();
        h.find<QAction>("File_Sha256")->trigger();
        h.window->commands().setFilter(NameFilter(patterns));
        s.change();
        h.messages.shown.clear();
        h.find<QAction>("File_CheckDisk")->trigger();
        ASSERT_EQ(h.messages.texts(), QStringList{summary});
        h.chooser.answer = saved;
        h.find<QAction>("File_SaveCsv")->trigger();
    }

    Harness h;
    h.window->commands().setFilter(NameFilter(patterns));
    h.chooser.answer = saved;
    h.find<QAction>("File_OpenCsv")->trigger();
    EXPECT_EQ(gridStates(h), expected);
    ASSERT_EQ(h.grid()->model()->columnCount(), 8);
    const int touched = rowOf(h, "touched.txt");
    EXPECT_EQ(h.grid()->model()->index(touched - 1, 2).data(EntryModel::RawValueRole).toLongLong(), CheckScenario::Time);
    EXPECT_EQ(h.grid()->model()->index(touched - 1, 7).data(EntryModel::RawValueRole).toLongLong(),
              CheckScenario::Time + 100);
    EXPECT_TRUE(h.grid()->model()->index(rowOf(h, "late.txt") - 1, 0).data(Qt::BackgroundRole).isValid());
    h.chooser.answer = lists.path() + "again.csv";
    h.find<QAction>("File_SaveCsv")->trigger();
    EXPECT_EQ(readAll(lists.path() + "again.csv"), readAll(saved));
    QAction *only = h.find<QAction>("File_DiffOnly");
    only->trigger();
    EXPECT_EQ(visibleRows(h), 8);
    only->trigger();

    for (int run = 0; run < 2; ++run) {
        h.messages.shown.clear();
        h.scope.proposed.clear();
        h.find<QAction>("File_CheckDisk")->trigger();
        ASSERT_EQ(h.scope.proposed.size(), 1);
        EXPECT_EQ(h.scope.proposed[0].paths(), QStringList{root});
        EXPECT_EQ(h.messages.texts(), QStringList{summary});
        EXPECT_EQ(gridStates(h), expected);
    }
}

// The newer list is named as such, and the help says what なし means there.
TEST(RecordCheck, AgainstANewerList)
{
    Harness h;
    h.find<QAction>("File_CheckList")->trigger();
    EXPECT_EQ(h.chooser.asked.value(0).value(0), QStringLiteral("照合する新しいリストを開く"));
    EXPECT_TRUE(readAll(QStringLiteral(QUILNAVER_HELP_FILE)).contains(QStringLiteral("記録にあって新しいリストにない").toUtf8()));
}

// The scope dialog: the folders one per line, editable, and the
// subdirectories' box; a folder that cannot be opened is said after the check.
TEST(RecordCheck, ScopeDialogAndAFolderThatCannotBeOpened)
{
    ScopeDialog dialog(CheckScope{{"/a/b/", "/c/"}, true});
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("照合の範囲"));
    auto *folders = dialog.findChild<QPlainTextEdit *>("ScopeFolders");
    auto *subdirectories = dialog.findChild<QCheckBox *>("ScopeSubdirectories");
    ASSERT_TRUE(folders && subdirectories);
    EXPECT_EQ(folders->toPlainText(), "/a/b/\n/c/");
    EXPECT_TRUE(subdirectories->isChecked());
    EXPECT_EQ(subdirectories->text(), QStringLiteral("サブディレクトリも照合する"));
    folders->setPlainText("/x\r\n\n  \n/y/ z/\n/x/");
    subdirectories->setChecked(false);
    EXPECT_EQ(dialog.scope().paths(), (QStringList{"/x/", "/y/ z/"}));
    for (const ScopeFolder &f : dialog.scope().folders)
        EXPECT_FALSE(f.subdirectories);

    Harness h;
    Fixture fx;
    fx.file("a.txt", "a");
    h.openDirectory(fx.path());
    h.click("DirAdd");
    h.messages.shown.clear();
    h.scope.answer = CheckScope{{fx.path() + "unplugged/"}, false};
    h.find<QAction>("File_CheckDisk")->trigger();
    EXPECT_EQ(h.messages.texts(), (QStringList{QStringLiteral("照合が終わりました。\r一致 1 件"),
                                               QStringLiteral("照合の範囲のフォルダーを開けませんでした。\r") + fx.path()
                                                   + "unplugged/"}));
}

// A list a spreadsheet saved in code page 932, opened in the window: the
// names the code page changed ("−" became "－") still match the disk's.
TEST(RecordCheck, NamesACodePageChangedMatchInTheWindow)
{
    Harness h;
    Fixture fx;
    fx.file("a\xe2\x88\x92" "b.txt", "1", 1700000000); // a−b.txt
    const QString row = QStringLiteral("ファイル名,バイト数,更新日時,ディレクトリ\r\na\uFF0Db.txt,1,%1,%2\r\n")
                            .arg(QDateTime::fromSecsSinceEpoch(1700000000).toString("yyyy-MM-dd HH:mm:ss"), fx.path());
    Fixture lists;
    lists.file("cp932.csv", toCp932(row));
    h.chooser.answer = lists.path() + "cp932.csv";
    h.find<QAction>("File_OpenCsv")->trigger();
    ASSERT_EQ(h.rows(), 1);
    h.messages.shown.clear();
    h.find<QAction>("File_CheckDisk")->trigger();
    EXPECT_EQ(h.messages.texts(), QStringList{QStringLiteral("照合が終わりました。\r一致 1 件")});
}

// The open dialogs start in the folder a list was opened from last.
TEST(RecordCheck, OpenDialogsStartWhereTheLastListWas)
{
    Harness h;
    Fixture lists;
    h.chooser.answer = lists.path() + "none.csv";
    h.find<QAction>("File_OpenCsv")->trigger();
    h.find<QAction>("File_CheckList")->trigger();
    h.chooser.answer.reset();
    h.find<QAction>("File_OpenCsv")->trigger();
    ASSERT_EQ(h.chooser.asked.size(), 3);
    EXPECT_EQ(h.chooser.asked[0][1], h.window->settings().SaveDirectory);
    EXPECT_EQ(h.chooser.asked[1][1], lists.path());
    EXPECT_EQ(h.chooser.asked[2][1], lists.path());
}

// In the help window Enter in the keyword field opens the topic found, and
// Esc closes the window.
TEST(RecordCheck, HelpIndexByKeyboard)
{
    QPointer<HelpWindow> window = HelpWindow::open(QStringLiteral(QUILNAVER_HELP_FILE), nullptr);
    ASSERT_TRUE(window);
    window->show();
    auto *field = window->findChild<QLineEdit *>("HelpIndexFilter");
    ASSERT_TRUE(field);
    field->setText(QStringLiteral("照合結果"));
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(window->shownTopic(), "check");
    field->setText(QStringLiteral("コマンドライン"));
    QTest::keyClick(field, Qt::Key_Enter);
    EXPECT_EQ(window->shownTopic(), "commandline");
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_FALSE(window && window->isVisible());
    delete window.data();
}

} // namespace
} // namespace qn

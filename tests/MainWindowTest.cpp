#include "UiHarness.h"

#include "ui/DriveBox.h"
#include "ui/AboutBox.h"
#include "ui/HelpWindow.h"
#include "ui/Messages.h"
#include "ui/OptionDialog.h"
#include "ui/WorkProgress.h"
#include "platform/Volumes.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QWindow>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QToolBar>
#include <gtest/gtest.h>

namespace qn {
namespace {

using namespace test;

TEST(MainWindow, StartsEmptyWithTheDefaults)
{
    Harness h;
    EXPECT_TRUE(h.messages.shown.isEmpty());
    EXPECT_EQ(h.rows(), 0);
    EXPECT_EQ(h.panel(1), QStringLiteral("総バイト数 0   B"));
    EXPECT_EQ(h.panel(2), QStringLiteral("総ファイル数 0"));
    EXPECT_EQ(h.window->hyojiPicture(), 13);
    EXPECT_FALSE(h.button("SettingSave")->isChecked());
    EXPECT_FALSE(h.find<QProgressBar>("ProgressBar1")->isVisibleTo(h.window.get()));
    const Settings &s = h.window->settings();
    EXPECT_EQ(s.SizeUnit, 3);
    EXPECT_EQ(s.SettingsSaveOption, 1);
    EXPECT_EQ(s.SaveFileName, "list.txt");
    EXPECT_EQ(s.SaveDirectory, QDir::homePath() + "/Documents/");
    EXPECT_EQ(h.dirs()->path(), QDir::homePath() + "/Documents");
    for (int c = 0; c < 4; ++c)
        EXPECT_EQ(h.window->columnWidthTwips(c), DefaultColumnWidths[c]);
    const QStringList titles = {"ファイル名", "バイト (Mixed)", "更新日", "パス"};
    for (int c = 0; c < 4; ++c)
        EXPECT_EQ(h.grid()->model()->headerData(c, Qt::Horizontal).toString(), titles[c]);
}

TEST(MainWindow, MenuBarHoldsExactlyThreeMenus)
{
    Harness h;
    QStringList titles;
    for (QAction *a : h.window->menuBar()->actions())
        titles.append(a->text());
    EXPECT_EQ(titles, (QStringList{"ファイル", "オプション", "ヘルプ"}));
    // Separators show as "-".
    const auto items = [&](const char *menu) {
        QStringList t;
        for (QAction *a : h.find<QMenu>(menu)->actions())
            t.append(a->isSeparator() ? QStringLiteral("-") : a->objectName() + "=" + a->text());
        return t;
    };
    // The described items in their order; additions stand behind a separator
    // (in the file menu before its exit).
    EXPECT_EQ(items("Mnu_File"),
              (QStringList{"File_Sinki=新規リスト", "File_MakeList=リスト作成", "-", "File_AddTree=サブディレクトリを含めて追加",
                           "File_SaveCsv=CSVで保存...", "File_SaveXlsx=Excelで保存...", "File_Print=印刷...",
                           "File_SavePdf=PDFで保存...",
                           "File_SaveHtml=HTMLで保存...", "File_OpenCsv=CSVを開く...", "File_CheckDisk=ディスクと照合",
                           "File_CheckList=リストと照合...", "File_ApplyCheck=照合結果を反映",
                           "File_DiffOnly=差分のみ表示", "File_Sha256=SHA-256を計算",
                           "File_SaveSums=SHA256SUMSで保存...", "-", "File_AddCatalogue=カタログに追加...",
                           "File_SearchCatalogue=カタログを検索...", "-", "File_End=終了"}));
    EXPECT_EQ(items("Mnu_Option"), (QStringList{"Option_Setting=設定", "-", "Option_Filter=フィルター..."}));
    EXPECT_EQ(items("Mnu_Help"), (QStringList{"Help_Help=ヘルプ", "Help_Ver=Quilnaverについて"}));
    EXPECT_EQ(items("Mnu_RClickDir"),
              (QStringList{"RClick_AddDir=ディレクトリ全体を追加", "-", "RClick_AddTree=サブディレクトリを含めて追加"}));
    EXPECT_EQ(items("Mnu_RClickFile"), QStringList{"RClick_AddFile=ファイルを追加"});
    EXPECT_EQ(items("Mnu_RClickDelete"),
              (QStringList{"RClick_Delete=選択を削除", "RClick_MakeList=リスト作成", "-", "RClick_Copy=コピー", "-",
                           "RClick_Sha256=SHA-256を計算"}));
}

TEST(MainWindow, ToolbarButtonsInOrderWithCaptionsAndTooltips)
{
    Harness h;
    const QStringList keys = {"Shinki", "FileAdd", "DirAdd", "ListDelete", "ListMake",
                              "Hyoji", "SettingSave", "SettingShow", "HelpFile", "Ending"};
    const QStringList captions = {"新規", "ﾌｧｲﾙ", "DIR", "削除", "ﾘｽﾄ", "表示", "保存", "設定", "ﾍﾙﾌﾟ", "終了"};
    auto *toolbar = h.find<QToolBar>("Toolbar1");
    const QList<QAction *> actions = toolbar->actions();
    ASSERT_EQ(actions.size(), 10);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(actions[i]->objectName(), keys[i]);
        EXPECT_EQ(actions[i]->text(), captions[i]);
        EXPECT_FALSE(actions[i]->toolTip().isEmpty());
        EXPECT_EQ(actions[i]->isCheckable(), keys[i] == "SettingSave");
        EXPECT_FALSE(actions[i]->icon().isNull()) << keys[i].toStdString();
        EXPECT_EQ(h.button(keys[i].toLatin1().constData())->accessibleName(), captions[i]);
    }
    EXPECT_EQ(actions[6]->toolTip(), QStringLiteral("設定を保存するかを変更。(押してあると保存)"));
}

TEST(MainWindow, HyojiCyclesTheUnitAndRendersEverySize)
{
    Harness h;
    Fixture fx;
    fx.file("a", QByteArray(9999, 'a'));
    fx.file("b", QByteArray(1536, 'b'));
    h.openDirectory(fx.path());
    h.doubleClickFile("a");
    h.doubleClickFile("b");
    const QString panel2 = h.panel(2);

    struct Expect {
        int picture;
        const char *title, *a, *b, *total;
    };
    const Expect cycle[] = {
        {10, "バイト (B)", "9999  B", "1536  B", "総バイト数 11535   B"},
        {11, "バイト (KB)", "9 KB", "1 KB", "総バイト数 11  KB"},
        {12, "バイト (KB,MB)", "9 KB", "1 KB", "総バイト数 11  KB"},
        {13, "バイト (Mixed)", "9999  B", "1536  B", "総バイト数 11  KB"},
    };
    for (const Expect &e : cycle) {
        h.click("Hyoji");
        EXPECT_EQ(h.window->hyojiPicture(), e.picture);
        EXPECT_EQ(h.grid()->model()->headerData(1, Qt::Horizontal).toString(), QString::fromUtf8(e.title));
        EXPECT_EQ(h.cell(1, 1), QString::fromUtf8(e.a));
        EXPECT_EQ(h.cell(2, 1), QString::fromUtf8(e.b));
        EXPECT_EQ(h.panel(1), QString::fromUtf8(e.total));
        EXPECT_EQ(h.panel(2), panel2);
    }
    EXPECT_EQ(h.window->settings().SizeUnit, 3);
}

TEST(MainWindow, EveryToolbarKeyReachesItsCommand)
{
    Harness h;
    const auto last = [&] { return h.messages.shown.isEmpty() ? QString() : h.messages.shown.last().text; };

    h.messages.answers = {false};
    h.click("Shinki");
    EXPECT_TRUE(last().startsWith(QStringLiteral("新規リストを作成します。")));
    h.click("FileAdd");
    EXPECT_EQ(last(), QStringLiteral("ファイルが存在しません。"));
    h.click("ListDelete");
    EXPECT_TRUE(last().startsWith(QStringLiteral("ファイルがリストにありません。")));
    h.window->settings().SaveDirectory = h.program.path();
    h.click("ListMake");
    EXPECT_EQ(last(), QStringLiteral("完了！！"));
    h.click("HelpFile");
    EXPECT_EQ(h.help.opened, QStringList{h.program.path() + "Quilnaver.hlp"});
    EXPECT_EQ(last(), QStringLiteral("ヘルプファイルがありません。"));

    QString opened;
    onModal([&](QWidget *w) { opened = w ? w->objectName() : QString(); });
    h.click("SettingShow");
    EXPECT_EQ(opened, "Form_Option");

    h.click("SettingSave");
    EXPECT_EQ(h.window->settings().SettingsSaveOption, 0);
    EXPECT_TRUE(h.button("SettingSave")->isChecked());
    h.click("SettingSave");
    EXPECT_EQ(h.window->settings().SettingsSaveOption, 1);

    const int shown = int(h.messages.shown.size());
    h.window->toolbarClicked("hyoji"); // keys are exact
    h.window->toolbarClicked("Unknown");
    EXPECT_EQ(h.messages.shown.size(), shown);
    EXPECT_EQ(h.window->settings().SizeUnit, 3);

    h.messages.answers = {false};
    h.click("Ending");
    EXPECT_EQ(last(), QStringLiteral("プログラムを終了します。\rよろしいですか？"));
    EXPECT_EQ(h.messages.shown.last().title, QStringLiteral("終了"));
    EXPECT_FALSE(h.window->hasExited());
}

TEST(MainWindow, EveryMenuItemReachesItsCommand)
{
    Harness h;
    const auto trigger = [&](const char *item) {
        h.messages.shown.clear();
        h.find<QAction>(item)->trigger();
        return h.messages.shown.isEmpty() ? QString() : h.messages.shown.first().text;
    };
    h.messages.answers = {false};
    EXPECT_TRUE(trigger("File_Sinki").startsWith(QStringLiteral("新規リストを作成します。")));
    h.window->settings().SaveDirectory = h.program.path();
    EXPECT_EQ(trigger("File_MakeList"), QStringLiteral("完了！！"));
    EXPECT_TRUE(trigger("RClick_MakeList").startsWith(QStringLiteral("同じファイル名が存在します。")));
    EXPECT_TRUE(trigger("RClick_Delete").startsWith(QStringLiteral("ファイルがリストにありません。")));
    EXPECT_EQ(trigger("RClick_AddDir"), QStringLiteral("ファイルが存在しません。")); // an empty Documents folder
    EXPECT_EQ(trigger("Help_Help"), QStringLiteral("ヘルプファイルがありません。"));
    h.messages.answers = {false};
    EXPECT_TRUE(trigger("File_End").startsWith(QStringLiteral("プログラムを終了します。")));
    EXPECT_FALSE(h.window->hasExited());

    // At the root the directory ends in one separator, not two.
    h.dirs()->setPath(QStringLiteral("/"));
    EXPECT_EQ(h.window->commands().CurrentDirPrefix(), QStringLiteral("/"));
    h.dirs()->setPath(QStringLiteral("/tmp/"));
    EXPECT_EQ(h.window->commands().CurrentDirPrefix(), QStringLiteral("/tmp/"));
}

TEST(MainWindow, PopupsOpenOnTheRightButtonOnly)
{
    Harness h;
    h.window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(h.window.get()));
    const struct {
        QAbstractItemView *view;
        const char *menu;
    } places[] = {{h.dirs(), "Mnu_RClickDir"}, {h.files(), "Mnu_RClickFile"}, {h.grid(), "Mnu_RClickDelete"}};
    for (const auto &p : places) {
        auto *menu = h.find<QMenu>(p.menu);
        QTest::mousePress(p.view->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mousePress(p.view->viewport(), Qt::MiddleButton, {}, QPoint(5, 5));
        EXPECT_FALSE(menu->isVisible()) << p.menu;
        QTest::mousePress(p.view->viewport(), Qt::RightButton, Qt::ShiftModifier, QPoint(5, 5));
        EXPECT_TRUE(menu->isVisible()) << p.menu;
        menu->hide();
    }
    // Choosing an item runs its command: add a file with nothing selected.
    h.find<QAction>("RClick_AddFile")->trigger();
    EXPECT_EQ(h.messages.texts(), QStringList{QStringLiteral("ファイルが存在しません。")});
}

TEST(MainWindow, DoubleClickOverTheRowsRemovesOverTheTitlesNot)
{
    Harness h;
    h.window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(h.window.get()));
    const QString empty = QStringLiteral("ファイルがリストにありません。\r削除できません。");
    QHeaderView *titles = h.grid()->horizontalHeader();
    const QPoint belowRows(20, h.grid()->viewport()->height() - 5);
    const QPoint onTitle(titles->sectionViewportPosition(0) + 5, titles->height() / 2);
    const QPoint onBorder(titles->sectionViewportPosition(1) - 1, titles->height() / 2);

    QTest::mouseDClick(h.grid()->viewport(), Qt::LeftButton, {}, belowRows);
    QTest::mouseDClick(titles->viewport(), Qt::LeftButton, {}, onTitle);
    QTest::mouseDClick(titles->viewport(), Qt::LeftButton, {}, onBorder);
    EXPECT_EQ(h.messages.texts(), (QStringList{empty}));

    Fixture fx;
    fx.file("a", "1");
    fx.file("b", "22");
    h.openDirectory(fx.path());
    h.doubleClickFile("a");
    h.doubleClickFile("b");
    h.messages.shown.clear();
    h.selectGridRow(2);
    QTest::mouseClick(h.grid()->viewport(), Qt::LeftButton, {}, belowRows);
    QTest::mouseDClick(h.grid()->viewport(), Qt::LeftButton, {}, belowRows);
    ASSERT_EQ(h.messages.shown.size(), 1);
    EXPECT_EQ(h.messages.shown[0].title, QStringLiteral("リストからファイルを削除"));
    ASSERT_EQ(h.rows(), 1);
    EXPECT_EQ(h.cell(1, 0), "a");
    h.messages.shown.clear();
    QTest::mouseDClick(titles->viewport(), Qt::LeftButton, {}, onTitle);
    EXPECT_TRUE(h.messages.shown.isEmpty());
    EXPECT_EQ(h.rows(), 1);

    // The right button over the titles opens the grid's menu too.
    auto *menu = h.find<QMenu>("Mnu_RClickDelete");
    QTest::mousePress(titles->viewport(), Qt::RightButton, {}, onTitle);
    EXPECT_TRUE(menu->isVisible());
    menu->hide();
}

TEST(MainWindow, CloseBoxAsksAndCancelKeepsTheWindow)
{
    Harness h;
    h.window->show();
    h.messages.answers = {false};
    h.window->close();
    EXPECT_TRUE(h.window->isVisible());
    EXPECT_FALSE(h.window->hasExited());
    ASSERT_EQ(h.messages.shown.size(), 1);
    EXPECT_EQ(h.messages.shown[0].title, QStringLiteral("終了"));

    h.window->close(); // OK, settings not saved
    EXPECT_FALSE(h.window->isVisible());
    EXPECT_TRUE(h.window->hasExited());
    EXPECT_FALSE(QFileInfo::exists(h.window->settingsFilePath()));
}

TEST(MainWindow, AboutBoxShowsTheVersionAndBeepsEachTime)
{
    Harness h;
    QString version;
    bool modal = false;
    for (int i = 0; i < 2; ++i) {
        onModal([&](QWidget *w) {
            ASSERT_TRUE(w);
            EXPECT_EQ(w->objectName(), "Ver");
            EXPECT_EQ(w->windowTitle(), QStringLiteral("バージョン情報"));
            version = w->findChild<QLabel *>("Label2")->text();
            EXPECT_EQ(w->findChild<QWidget *>("Picture1")->geometry(), twipsRect(240, 360, 1335, 1455));
            w->grab().save(QStringLiteral(QUILNAVER_BUILD_DIR "/about-box.png"));
            modal = w->isModal();
            QTest::mouseClick(w->findChild<QPushButton *>("Command1"), Qt::LeftButton);
        });
        h.find<QAction>("Help_Ver")->trigger();
    }
    EXPECT_EQ(version, "Version 1.0.0");
    EXPECT_TRUE(modal);
    EXPECT_EQ(h.beeps, 2);
}

TEST(MainWindow, HelpFileWithContentsAndIndex)
{
    const QString helpFile = QStringLiteral(QUILNAVER_HELP_FILE);
    std::unique_ptr<HelpWindow> window(HelpWindow::open(helpFile, nullptr));
    ASSERT_TRUE(window);
    const QStringList contents = window->contents();
    EXPECT_GE(contents.size(), 14);
    for (const char *topic : {"新規リスト", "リスト作成", "表示形態", "設定の保存"}) {
        EXPECT_TRUE(contents.filter(QString::fromUtf8(topic)).size() > 0) << topic;
        EXPECT_TRUE(window->index().contains(QString::fromUtf8(topic))) << topic;
    }
    EXPECT_FALSE(HelpWindow::open(QStringLiteral("/nonexistent/Quilnaver.hlp"), nullptr));

    Harness h;
    QFile::copy(helpFile, h.window->helpFilePath());
    h.click("HelpFile");
    EXPECT_TRUE(h.messages.shown.isEmpty());
    EXPECT_EQ(h.help.opened, QStringList{h.window->helpFilePath()});
}

TEST(MainWindow, UnusableDriveReturnsToTheLastGoodOne)
{
    Harness h;
    auto *drive = h.find<DriveBox>("Drive1");
    const QString good = h.window->settings().LastGoodDrive;
    const QString goodDir = h.dirs()->path();
    drive->addItem(QStringLiteral("/nonexistent-volume [GONE]"), QStringLiteral("/nonexistent-volume/"));

    drive->setCurrentIndex(drive->count() - 1);
    EXPECT_EQ(h.messages.texts(), QStringList{QStringLiteral("ドライブが使用できません。")});
    EXPECT_EQ(h.messages.shown[0].title, QString());
    EXPECT_EQ(h.window->settings().LastGoodDrive, good);
    EXPECT_EQ(rootOfDesignation(drive->drive()), rootOfDesignation(good));
    EXPECT_EQ(h.dirs()->path(), goodDir);

    // The last good drive has gone too: one message, then the program's volume.
    h.messages.shown.clear();
    h.window->settings().LastGoodDrive = QStringLiteral("/nonexistent-volume [GONE]");
    drive->setCurrentIndex(drive->count() - 1);
    EXPECT_EQ(h.messages.shown.size(), 1);
    EXPECT_EQ(h.dirs()->path(), h.services.programDirectory);
    EXPECT_EQ(h.window->settings().LastGoodDrive, volumeOf(h.services.programDirectory).designation);
    EXPECT_EQ(h.files()->path(), h.services.programDirectory);
}

TEST(DriveBox, AVolumeThatWentAwayLeavesNothingSelected)
{
    Fixture a;
    Fixture b;
    QList<Volume> volumes = {{a.path(), a.path().chopped(1)}, {b.path(), b.path().chopped(1) + " [B]"}};
    DriveBox drive;
    drive.setVolumeSource([&] { return volumes; });
    int changes = 0;
    QObject::connect(&drive, &DriveBox::driveChanged, [&] { ++changes; });
    ASSERT_TRUE(drive.setDrive(b.path().chopped(1) + " [B]"));
    EXPECT_EQ(changes, 1);

    volumes.removeLast(); // b is unmounted
    drive.refreshVolumes();
    EXPECT_EQ(drive.currentIndex(), -1);
    EXPECT_EQ(changes, 1);
    // Picking the first volume, the only one left, is a change.
    drive.setCurrentIndex(0);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(drive.drive(), a.path().chopped(1));
}

TEST(Volumes, DesignationIsTheMountPathWithoutATrailingSeparator)
{
    for (const Volume &v : mountedVolumes()) {
        EXPECT_TRUE(v.root.endsWith('/')) << v.root.toStdString();
        const QString path = v.designation.section(QStringLiteral(" ["), 0, 0);
        EXPECT_EQ(path, v.root == "/" ? QStringLiteral("/") : v.root.chopped(1));
        EXPECT_EQ(rootOfDesignation(v.designation), v.root);
    }
    EXPECT_EQ(volumeOf(QStringLiteral("/")).designation.section(QStringLiteral(" ["), 0, 0), "/");
    EXPECT_EQ(rootOfDesignation(QStringLiteral("/mnt/data [DATA]")), "/mnt/data/");
    EXPECT_EQ(rootOfDesignation(QStringLiteral("/mnt/data/")), "/mnt/data/"); // as older settings files hold it
}

TEST(MainWindow, LayoutMatchesTheTwipsAndRenders)
{
    Harness h;
    h.window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(h.window.get()));
    const struct {
        const char *name;
        QRect twips;
    } layout[] = {
        {"Toolbar1", twipsRect(0, 0, 8040, 855)},      {"Drive1", twipsRect(6720, 240, 1215, 300)},
        {"Dir1", twipsRect(120, 1080, 2175, 1770)},    {"File1", twipsRect(120, 3000, 2175, 2250)},
        {"MSFlexGrid1", twipsRect(2400, 1080, 5535, 4215)}, {"StatusBar1", twipsRect(0, 5475, 8040, 255)},
        {"ProgressBar1", twipsRect(6720, 5520, 1815, 255)},
    };
    for (const auto &c : layout) {
        QWidget *w = h.find(c.name);
        ASSERT_TRUE(w) << c.name;
        EXPECT_EQ(h.placeOf(c.name), c.twips) << c.name;
        EXPECT_FALSE(w->accessibleName().isEmpty()) << c.name;
    }
    EXPECT_EQ(h.window->centralWidget()->size(), QSize(536, 382));
    EXPECT_EQ(h.find<QLabel>("Panel1")->width(), 160);
    EXPECT_EQ(h.find<QLabel>("Panel2")->width(), 133);
    EXPECT_EQ(h.window->windowTitle(), "Quilnaver");

    const QString png = QStringLiteral(QUILNAVER_BUILD_DIR "/main-window.png");
    EXPECT_TRUE(h.window->grab().save(png));
    EXPECT_TRUE(QFileInfo(png).size() > 0);
}

// Each window's title is its own caption alone: the application has no
// display name for the platform to add to it.
TEST(Titles, EachWindowShowsItsOwnCaptionAlone)
{
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QGuiApplication::applicationName());
    EXPECT_EQ(QGuiApplication::desktopFileName(), "quilnaver");
    Harness h;
    ScriptedChooser chooser;
    std::vector<std::pair<std::unique_ptr<QWidget>, QString>> windows;
    windows.emplace_back(new OptionDialog(h.window->settings(), chooser), "Option");
    windows.emplace_back(new AboutBox([] {}), QStringLiteral("バージョン情報"));
    windows.emplace_back(HelpWindow::open(QStringLiteral(QUILNAVER_HELP_FILE), nullptr), QStringLiteral("Quilnaver ヘルプ"));
    windows.emplace_back(new MessageBox("text", QString(), false), "Quilnaver");
    windows.emplace_back(new MessageBox("text", QStringLiteral("保存のエラー"), true), QStringLiteral("保存のエラー"));
    windows.emplace_back(new ProgressWindow(QStringLiteral("サブディレクトリを含めて追加")),
                         QStringLiteral("サブディレクトリを含めて追加"));
    h.window->show();
    ASSERT_TRUE(h.window->windowHandle());
    EXPECT_EQ(h.window->windowHandle()->title(), "Quilnaver");
    for (const auto &[window, title] : windows) {
        ASSERT_TRUE(window);
        window->show();
        ASSERT_TRUE(window->windowHandle()) << title.toStdString();
        EXPECT_EQ(window->windowHandle()->title(), title);
        window->close();
    }
}

// Qt's own dialogs speak Japanese, as the rest of the program, whatever the
// locale (the tests run under the C locale).
TEST(Translation, FileDialogsAreInJapanese)
{
    for (const auto mode : {QFileDialog::AcceptSave, QFileDialog::AcceptOpen}) {
        QFileDialog dialog(nullptr, "t", QDir::tempPath());
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(mode);
        auto *buttons = dialog.findChild<QDialogButtonBox *>();
        ASSERT_TRUE(buttons);
        QStringList texts;
        for (QAbstractButton *b : buttons->buttons())
            texts.append(b->text());
        const QString accept = mode == QFileDialog::AcceptSave ? QStringLiteral("保存") : QStringLiteral("開く");
        EXPECT_EQ(texts.filter(accept).size(), 1) << texts.join('|').toStdString();
        EXPECT_EQ(texts.filter(QStringLiteral("キャンセル")).size(), 1) << texts.join('|').toStdString();
    }
}

// F10 opens the first menu; the arrows and Enter then reach every item.
TEST(Keyboard, F10OpensTheMenusAndTheArrowsGoOn)
{
    Harness h;
    h.window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(h.window.get()));
    h.grid()->setFocus();
    auto *file = h.find<QMenu>("Mnu_File");
    auto *option = h.find<QMenu>("Mnu_Option");
    QTest::keyClick(h.grid(), Qt::Key_F10);
    EXPECT_TRUE(QTest::qWaitFor([&] { return file->isVisible(); }, 1000));
    QTest::keyClick(file, Qt::Key_Right);
    EXPECT_TRUE(QTest::qWaitFor([&] { return option->isVisible(); }, 1000));
    EXPECT_FALSE(file->isVisible());
    QString opened;
    onModal([&](QWidget *w) { opened = w ? w->windowTitle() : QString(); });
    // The menu opens on its first item (設定); Down goes on to the next.
    QTest::keyClick(option, Qt::Key_Down);
    QTest::keyClick(option, Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !opened.isEmpty(); }, 2000));
    EXPECT_EQ(opened, QStringLiteral("フィルター"));
}

// Where the keyboard focus is shows: the directory list and the empty grid
// look different with it than without, as the file list does.
TEST(Keyboard, TheFocusShowsInEveryList)
{
    Harness h;
    h.window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(h.window.get()));
    Fixture fx;
    fx.subdir("sub");
    fx.file("a.txt", "1");
    h.openDirectory(fx.path());
    const auto looks = [](QWidget *w) { return w->grab().toImage(); };
    for (QWidget *list : {static_cast<QWidget *>(h.files()), static_cast<QWidget *>(h.dirs()),
                          static_cast<QWidget *>(h.grid())}) {
        h.find<QWidget>("Drive1")->setFocus(Qt::TabFocusReason);
        const QImage without = looks(list);
        // By the keyboard, as a person reaches it.
        for (int tabs = 0; tabs < 5 && QApplication::focusWidget() != list; ++tabs)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), list) << list->objectName().toStdString();
        EXPECT_NE(looks(list), without) << list->objectName().toStdString();
    }
}

// The help speaks of everything the program has: every menu item and
// toolbar caption appears in some topic, and the index lists each keyword once.
TEST(Help, EveryCommandHasATopicAndTheIndexNoDuplicates)
{
    std::unique_ptr<HelpWindow> window(HelpWindow::open(QStringLiteral(QUILNAVER_HELP_FILE), nullptr));
    ASSERT_TRUE(window);
    QStringList index = window->index();
    index.removeDuplicates();
    EXPECT_EQ(index.size(), window->index().size()) << window->index().join(' ').toStdString();

    QFile file(QStringLiteral(QUILNAVER_HELP_FILE));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString help = QString::fromUtf8(file.readAll());
    Harness h;
    QStringList captions;
    for (QMenu *menu : h.window->findChildren<QMenu *>()) {
        for (QAction *a : menu->actions()) {
            if (!a->isSeparator())
                captions.append(a->text());
        }
    }
    for (QToolButton *b : h.window->findChildren<QToolButton *>()) {
        if (!b->text().isEmpty())
            captions.append(b->text());
    }
    captions.removeDuplicates();
    EXPECT_GE(captions.size(), 20);
    for (const QString &caption : std::as_const(captions))
        EXPECT_TRUE(help.contains(caption.toHtmlEscaped())) << caption.toStdString();
    for (const char *topic : {"並べ替え", "複数の行の選択", "コピー", "ドラッグ＆ドロップ", "サブディレクトリを含めて追加",
                              "CSVで保存", "書けない文字の置き換え", "コマンドライン"})
        EXPECT_TRUE(window->contents().contains(QString::fromUtf8(topic))) << topic;
}

} // namespace
} // namespace qn

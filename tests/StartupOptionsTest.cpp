#include "UiHarness.h"

#include "platform/Volumes.h"
#include "settings/SettingsFile.h"
#include "ui/OptionDialog.h"

#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

namespace qn {
namespace {

using namespace test;

QByteArray settingsFor(const QString &listDirectory, int unit, int save, const QString &saveDirectory = "/tmp/",
                       const QString &drive = QString())
{
    SettingsRecord r;
    r.columnWidths[0] = 2400;
    r.columnWidths[3] = 3000;
    r.lastGoodDrive = drive.isEmpty() ? volumeOf(listDirectory).designation : drive;
    r.listDirectory = listDirectory;
    r.saveDirectory = saveDirectory;
    r.saveFileName = "files.txt";
    r.sizeUnit = unit;
    r.settingsSaveOption = save;
    return SettingsFileText(r);
}

QRadioButton *option(QWidget *dialog, const char *group, int index)
{
    for (auto *b : dialog->findChildren<QRadioButton *>(QLatin1String(group))) {
        if (b->property("index").toInt() == index)
            return b;
    }
    return nullptr;
}

TEST(StartUp, RestoresTheSavedSession)
{
    Fixture list;
    Harness h(settingsFor(list.path().chopped(1), 1, 0, list.path()));
    EXPECT_TRUE(h.messages.shown.isEmpty());
    EXPECT_EQ(h.window->columnWidthTwips(0), 2400);
    EXPECT_EQ(h.window->columnWidthTwips(1), 1300);
    EXPECT_EQ(h.window->columnWidthTwips(3), 3000);
    EXPECT_EQ(h.grid()->columnWidth(0), 160);
    EXPECT_EQ(h.dirs()->path(), list.path().chopped(1));
    EXPECT_EQ(h.files()->path(), list.path().chopped(1));
    EXPECT_EQ(h.window->settings().SaveDirectory, list.path());
    EXPECT_EQ(h.window->settings().SaveFileName, "files.txt");
    EXPECT_EQ(h.window->settings().SizeUnit, 1);
    EXPECT_EQ(h.window->hyojiPicture(), 11);
    EXPECT_EQ(h.grid()->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("バイト (KB)"));
    EXPECT_EQ(h.panel(1), QStringLiteral("総バイト数 0  KB"));
    // Saving is on, and the button says so.
    EXPECT_EQ(h.window->settings().SettingsSaveOption, 0);
    EXPECT_TRUE(h.button("SettingSave")->isChecked());
}

TEST(StartUp, UnusableFilesGiveTheDefaultsSilently)
{
    const QByteArray broken[] = {
        QByteArray("garbage\x00\xff", 9),
        settingsFor("/tmp", 1, 0).left(40),                    // fewer than ten fields
        settingsFor("/nonexistent/quilnaver/dir", 1, 0),       // the directory has gone
        settingsFor("/tmp", 1, 0, "/tmp/", "/nonexistent [X]"), // so has the drive
    };
    for (const QByteArray &text : broken) {
        Harness h(text);
        EXPECT_TRUE(h.messages.shown.isEmpty());
        EXPECT_EQ(h.window->settings().SizeUnit, 3);
        EXPECT_EQ(h.window->settings().SettingsSaveOption, 1);
        EXPECT_EQ(h.window->settings().SaveFileName, "list.txt");
        EXPECT_EQ(h.window->columnWidthTwips(0), 1800);
        EXPECT_EQ(h.dirs()->path(), QDir::homePath() + "/Documents");
        EXPECT_EQ(h.rows(), 0);
        EXPECT_FALSE(h.button("SettingSave")->isChecked());
    }
}

TEST(Exit, SavesTheTenLinesOnlyWhenAskedTo)
{
    Fixture list;
    {
        Harness h;
        h.openDirectory(list.path());
        h.click("SettingSave");
        h.click("Hyoji"); // 3 -> 0
        h.window->setColumnWidthTwips(2, 2000);
        EXPECT_TRUE(h.window->ConfirmExit());
        EXPECT_TRUE(h.window->hasExited());
        const QByteArray text = readAll(h.window->settingsFilePath());
        const QString drive = h.window->settings().LastGoodDrive;
        const QByteArray expected = " 1800 \r\n 1300 \r\n 2000 \r\n 4000 \r\n" + encodeName(drive) + "\r\n"
                                    + encodeName(list.path().chopped(1)) + "\r\n" + encodeName(QDir::homePath())
                                    + "/Documents/\r\nlist.txt\r\n 0 \r\n 0 \r\n";
        EXPECT_EQ(text, expected);

        // The next start reads it back.
        Harness again(text);
        EXPECT_EQ(again.dirs()->path(), list.path().chopped(1));
        EXPECT_EQ(again.window->settings().SizeUnit, 0);
        EXPECT_EQ(again.window->columnWidthTwips(2), 2000);
        EXPECT_TRUE(again.button("SettingSave")->isChecked());
    }
    {
        Harness h;
        EXPECT_TRUE(h.window->ConfirmExit());
        EXPECT_FALSE(QFileInfo::exists(h.window->settingsFilePath()));
    }
}

TEST(Exit, DirectoryWithACommaSurvivesARestart)
{
    Fixture fx;
    fx.subdir("A,B");
    const QString dir = fx.path() + "A,B";
    QByteArray saved;
    {
        Harness h;
        h.openDirectory(dir);
        h.click("SettingSave");
        ASSERT_TRUE(h.window->ConfirmExit());
        saved = readAll(h.window->settingsFilePath());
    }
    Harness again(saved);
    EXPECT_EQ(again.dirs()->path(), dir);
    EXPECT_EQ(again.files()->path(), dir);
    EXPECT_EQ(again.window->settings().SettingsSaveOption, 0);
}

TEST(Exit, FailedSaveAsksAndCancelStays)
{
    Harness h;
    h.click("SettingSave");
    // The settings file's place is taken by a directory: it cannot be written.
    h.program.subdir("quilnaver.cfg");
    h.messages.answers = {true, false};
    EXPECT_FALSE(h.window->ConfirmExit());
    ASSERT_EQ(h.messages.shown.size(), 2);
    EXPECT_EQ(h.messages.shown[1].text, QStringLiteral("設定が保存できません。終了しますか？"));
    EXPECT_EQ(h.messages.shown[1].title, QStringLiteral("保存のエラー"));
    EXPECT_FALSE(h.window->hasExited());

    h.messages.answers = {true, true};
    EXPECT_TRUE(h.window->ConfirmExit());
    EXPECT_TRUE(h.window->hasExited());
}

TEST(Options, ShowsTheSettingsAndAppliesEveryChangeAtOnce)
{
    Harness h;
    Fixture fx;
    fx.file("a", QByteArray(1536, 'a'));
    h.openDirectory(fx.path());
    h.doubleClickFile("a");

    onModal([&](QWidget *w) {
        ASSERT_TRUE(w);
        EXPECT_EQ(w->windowTitle(), "Option");
        EXPECT_EQ(w->size(), QSize(twips(6420), twips(4860)));
        EXPECT_EQ(w->findChild<QWidget *>("Frame2")->geometry(), twipsRect(240, 1560, 1695, 1695));
        EXPECT_EQ(option(w, "Option1", 2)->geometry(), twipsRect(120, 960, 1455, 255));
        EXPECT_EQ(w->findChild<QWidget *>("Command2")->geometry(), twipsRect(5160, 4200, 1095, 375));
        EXPECT_TRUE(w->grab().save(QStringLiteral(QUILNAVER_BUILD_DIR "/options-dialog.png")));
        EXPECT_EQ(w->findChild<QLabel *>("SaveDir")->text(), QDir::homePath() + "/Documents/");
        EXPECT_EQ(w->findChild<QLabel *>("SaveName")->text(), "list.txt");
        EXPECT_TRUE(option(w, "Option1", 3)->isChecked());
        EXPECT_TRUE(option(w, "Option2", 1)->isChecked());

        QTest::mouseClick(option(w, "Option1", 1), Qt::LeftButton);
        EXPECT_EQ(h.window->settings().SizeUnit, 1);
        EXPECT_EQ(h.cell(1, 1), "1 KB");
        EXPECT_EQ(h.window->hyojiPicture(), 11);

        QTest::mouseClick(option(w, "Option2", 0), Qt::LeftButton);
        EXPECT_EQ(h.window->settings().SettingsSaveOption, 0);
        EXPECT_TRUE(h.button("SettingSave")->isChecked());

        // Browse: cancel changes nothing; a chosen path splits at its last separator.
        h.chooser.answer.reset();
        QTest::mouseClick(w->findChild<QPushButton *>("Command1"), Qt::LeftButton);
        EXPECT_EQ(h.window->settings().SaveFileName, "list.txt");
        h.chooser.answer = QStringLiteral("/media/d/Lists/files");
        QTest::mouseClick(w->findChild<QPushButton *>("Command1"), Qt::LeftButton);
        EXPECT_EQ(h.window->settings().SaveDirectory, "/media/d/Lists/");
        EXPECT_EQ(h.window->settings().SaveFileName, "files");
        EXPECT_EQ(w->findChild<QLabel *>("SaveDir")->text(), "/media/d/Lists/");
        EXPECT_EQ(w->findChild<QLabel *>("SaveName")->text(), "files");
        h.chooser.answer = QStringLiteral("/a.txt");
        QTest::mouseClick(w->findChild<QPushButton *>("Command1"), Qt::LeftButton);
        EXPECT_EQ(h.window->settings().SaveDirectory, "/");
        EXPECT_EQ(h.window->settings().SaveFileName, "a.txt");

        QTest::mouseClick(w->findChild<QPushButton *>("Command2"), Qt::LeftButton);
    });
    h.find<QAction>("Option_Setting")->trigger();

    ASSERT_EQ(h.chooser.asked.size(), 3);
    EXPECT_EQ(h.chooser.asked[0],
              (QStringList{"保存場所、ファイル名の設定", QDir::homePath() + "/Documents", "list.txt", "*.txt"}));
    EXPECT_EQ(h.chooser.asked[2][2], "files"); // the next browse starts from the current name
    // Closing undoes nothing.
    EXPECT_EQ(h.window->settings().SizeUnit, 1);
    EXPECT_EQ(h.cell(1, 1), "1 KB");
    EXPECT_TRUE(h.messages.shown.isEmpty());
}

} // namespace
} // namespace qn

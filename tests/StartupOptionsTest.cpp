#include "UiHarness.h"

#include "platform/Volumes.h"
#include "settings/SettingsFile.h"
#include "ui/OptionDialog.h"

#include <QGroupBox>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QRadioButton>
#include <gtest/gtest.h>

#include <sys/mount.h>

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

TEST(Exit, FullDiskKeepsTheSettingsFileAndAsks)
{
    Fixture list;
    const QByteArray previous = settingsFor(list.path().chopped(1), 1, 0, list.path());
    Harness h(previous);
    const QString path = h.window->settingsFilePath();
    // The file written at exit is as long as the one read: it fails up to its last byte.
    for (rlim_t limit : {rlim_t(0), rlim_t(1), rlim_t(7), rlim_t(40), rlim_t(previous.size() - 1)}) {
        h.messages.shown.clear();
        h.messages.answers = {true, false}; // exit: OK; save failed, exit anyway?: Cancel
        bool exited;
        {
            FileSizeLimit full(limit);
            exited = h.window->ConfirmExit();
        }
        EXPECT_FALSE(exited) << limit;
        ASSERT_EQ(h.messages.shown.size(), 2) << limit;
        EXPECT_EQ(h.messages.shown[1].text, QStringLiteral("設定が保存できません。終了しますか？"));
        EXPECT_EQ(readAll(path), previous) << limit;
        EXPECT_EQ(filesIn(h.program.path()), QStringList{"quilnaver.cfg"}) << limit;
    }
    EXPECT_FALSE(h.window->hasExited());
    h.window->setColumnWidthTwips(1, 1500);
    EXPECT_TRUE(h.window->ConfirmExit());
    EXPECT_EQ(readAll(path), QByteArray(previous).replace(" 1300 ", " 1500 "));
}

TEST(StartUp, NulBytesAndHugeWidthsGiveTheDefaults)
{
    Fixture real;
    real.subdir("dir");
    Fixture other;
    other.file("elsewhere.txt");
    // Line 6 names real/dir, but a NUL cuts it to `other` for the system.
    QByteArray cut = settingsFor(real.path() + "dir", 1, 0);
    cut.replace(encodeName(real.path() + "dir"), encodeName(other.path().chopped(1)) + QByteArray(1, '\0') + "dir");
    QByteArray wide = settingsFor(real.path() + "dir", 1, 0);
    wide.replace(" 2400 ", " 2147483647 ");
    QByteArray wider = settingsFor(real.path() + "dir", 1, 0);
    wider.replace(" 2400 ", QByteArray::number(MaxColumnTwips + 1));
    for (const QByteArray &text : {cut, wide, wider}) {
        Harness h(text);
        EXPECT_TRUE(h.messages.shown.isEmpty());
        EXPECT_EQ(h.window->settings().SizeUnit, 3);
        EXPECT_EQ(h.window->columnWidthTwips(0), 1800);
        EXPECT_EQ(h.dirs()->path(), QDir::homePath() + "/Documents");
        EXPECT_EQ(h.files()->count(), 0);
    }
    // The widest width a screen can show still loads.
    QByteArray widest = settingsFor(real.path() + "dir", 1, 0);
    widest.replace(" 2400 ", " " + QByteArray::number(MaxColumnTwips) + " ");
    Harness h(widest);
    EXPECT_EQ(h.window->columnWidthTwips(0), MaxColumnTwips);
    EXPECT_EQ(h.grid()->columnWidth(0), 16384);
}

// A folder nothing can be written into while this lives, not even by root:
// a read-only bind mount over it (for an ordinary user, its permissions).
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString &path)
        : m_path(QFile::encodeName(path))
    {
        if (::geteuid() != 0) {
            m_ok = ::chmod(m_path.constData(), 0555) == 0;
            return;
        }
        m_mounted = ::mount(m_path.constData(), m_path.constData(), nullptr, MS_BIND, nullptr) == 0;
        m_ok = m_mounted
               && ::mount(nullptr, m_path.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
    }
    ~ReadOnlyFolder()
    {
        if (m_mounted)
            ::umount2(m_path.constData(), MNT_DETACH);
        else
            ::chmod(m_path.constData(), 0755);
    }
    bool ok() const { return m_ok; }

private:
    QByteArray m_path;
    bool m_mounted = false;
    bool m_ok = false;
};

TEST(SettingsPlace, InstalledCopyKeepsItsSettingsInTheConfigurationFolder)
{
    Fixture programFolder;
    Fixture config;
    Fixture list;
    ReadOnlyFolder readOnly(programFolder.path());
    if (!readOnly.ok())
        GTEST_SKIP() << "no read-only folder can be made here";
    const auto installed = [&](Services &s) {
        s.programDirectory = programFolder.path().chopped(1);
        s.configDirectory = config.path() + "quilnaver";
    };
    const QString configFile = config.path() + "quilnaver/quilnaver.cfg";
    {
        Harness h(QByteArray(), installed);
        EXPECT_EQ(h.window->settingsFilePath(), configFile);
        h.openDirectory(list.path());
        h.click("SettingSave");
        h.click("Hyoji"); // 3 -> 0
        EXPECT_TRUE(h.window->ConfirmExit());
        EXPECT_EQ(h.messages.shown.size(), 1); // the exit question alone: saved
    }
    EXPECT_TRUE(QFileInfo::exists(configFile));
    EXPECT_EQ(filesIn(programFolder.path()), QStringList());
    Harness again(QByteArray(), installed);
    EXPECT_EQ(again.window->settings().SizeUnit, 0);
    EXPECT_EQ(again.dirs()->path(), list.path().chopped(1));
}

TEST(SettingsPlace, AFileBesideTheProgramAlwaysWins)
{
    Fixture programFolder;
    Fixture config;
    Fixture list;
    programFolder.file("quilnaver.cfg", settingsFor(list.path().chopped(1), 1, 0));
    config.subdir("quilnaver");
    config.file("quilnaver/quilnaver.cfg", settingsFor(list.path().chopped(1), 2, 0));
    const auto portable = [&](Services &s) {
        s.programDirectory = programFolder.path().chopped(1);
        s.configDirectory = config.path() + "quilnaver";
    };
    for (bool readOnlyToo : {false, true}) {
        std::unique_ptr<ReadOnlyFolder> readOnly;
        if (readOnlyToo) {
            readOnly = std::make_unique<ReadOnlyFolder>(programFolder.path());
            if (!readOnly->ok())
                continue;
        }
        Harness h(QByteArray(), portable);
        EXPECT_EQ(h.window->settingsFilePath(), programFolder.path() + "quilnaver.cfg");
        EXPECT_EQ(h.window->settings().SizeUnit, 1) << readOnlyToo;
    }
}

TEST(SettingsPlace, AConfigurationFolderThatCannotBeMadeAsksAtExit)
{
    Fixture programFolder;
    Fixture config;
    config.file("not-a-folder", "x");
    ReadOnlyFolder readOnly(programFolder.path());
    if (!readOnly.ok())
        GTEST_SKIP() << "no read-only folder can be made here";
    Harness h(QByteArray(), [&](Services &s) {
        s.programDirectory = programFolder.path().chopped(1);
        s.configDirectory = config.path() + "not-a-folder/quilnaver";
    });
    h.click("SettingSave");
    h.messages.answers = {true, false};
    EXPECT_FALSE(h.window->ConfirmExit());
    ASSERT_EQ(h.messages.shown.size(), 2);
    EXPECT_EQ(h.messages.shown[1].text, QStringLiteral("設定が保存できません。終了しますか？"));
    EXPECT_EQ(h.messages.shown[1].title, QStringLiteral("保存のエラー"));
}

TEST(HelpPlace, BesideTheProgramFirstThenTheShareFolder)
{
    const QString helpFile = QStringLiteral(QUILNAVER_HELP_FILE);
    Fixture share;
    Harness h(QByteArray(), [&](Services &s) { s.dataDirectory = share.path().chopped(1); });
    h.click("HelpFile"); // neither
    EXPECT_EQ(h.messages.texts(), QStringList{QStringLiteral("ヘルプファイルがありません。")});
    QFile::copy(helpFile, share.path() + "Quilnaver.hlp");
    h.messages.shown.clear();
    h.click("HelpFile");
    EXPECT_TRUE(h.messages.shown.isEmpty());
    EXPECT_EQ(h.help.opened.last(), share.path() + "Quilnaver.hlp");
    QFile::copy(helpFile, h.program.path() + "Quilnaver.hlp");
    h.click("HelpFile");
    EXPECT_EQ(h.help.opened.last(), h.program.path() + "Quilnaver.hlp");
}

TEST(Options, EveryCaptionShowsWhole)
{
    Harness h;
    QStringList clipped;
    onModal([&](QWidget *w) {
        ASSERT_TRUE(w);
        for (QWidget *c : w->findChildren<QWidget *>()) {
            QString text;
            int room = 0;
            if (auto *label = qobject_cast<QLabel *>(c)) {
                text = label->text();
                room = label->contentsRect().width();
            } else if (auto *radio = qobject_cast<QRadioButton *>(c)) {
                QStyleOptionButton option;
                option.initFrom(radio);
                option.text = radio->text();
                text = radio->text();
                room = radio->style()->subElementRect(QStyle::SE_RadioButtonContents, &option, radio).width();
            } else if (auto *button = qobject_cast<QPushButton *>(c)) {
                QStyleOptionButton option;
                option.initFrom(button);
                text = button->text();
                room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button).width();
            } else if (auto *frame = qobject_cast<QGroupBox *>(c)) {
                text = frame->title();
                room = frame->width();
            }
            if (!text.isEmpty() && c->fontMetrics().horizontalAdvance(text) > room)
                clipped.append(c->objectName() + ": " + text);
        }
    });
    h.find<QAction>("Option_Setting")->trigger();
    EXPECT_EQ(clipped, QStringList());
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

// Every control lies whole inside its frame, below the frame's title: no
// frame border runs through a button.
TEST(Options, EveryControlLiesWholeInsideItsFrame)
{
    Harness h;
    ScriptedChooser chooser;
    OptionDialog dialog(h.window->settings(), chooser);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    int controls = 0;
    for (const char *name : {"Frame1", "Frame2", "Frame3"}) {
        auto *frame = dialog.findChild<QGroupBox *>(name);
        ASSERT_TRUE(frame) << name;
        const QRect inside = frame->contentsRect();
        EXPECT_GE(inside.top(), frame->fontMetrics().height()) << name; // below the title
        for (QWidget *control : frame->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
            ++controls;
            EXPECT_TRUE(inside.contains(control->geometry()))
                << name << "/" << control->objectName().toStdString() << " at y " << control->geometry().y()
                << ", the inside from y " << inside.top();
        }
    }
    EXPECT_EQ(controls, 5 + 4 + 2);
    EXPECT_TRUE(dialog.grab().save(QStringLiteral(QUILNAVER_BUILD_DIR "/options-frames.png")));
}

} // namespace
} // namespace qn

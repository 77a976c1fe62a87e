#include "UiHarness.h"

#include "catalogue/Catalogue.h"
#include "ui/CatalogueCommands.h"
#include "ui/CatalogueWindow.h"
#include "settings/SettingsStore.h"

#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <gtest/gtest.h>

namespace qn {
namespace {

using namespace test;

void put(EntryTable &t, const QString &dir, const QString &name, qint64 size)
{
    t.AppendEntry(dir, name, [&](FileStamp &s) {
        s.size = size;
        s.modified = 1700000000;
        return true;
    });
}

// Two volumes: photos on one disk, documents on another.
QString makeCatalogue(const Fixture &f)
{
    const QString path = f.path() + QStringLiteral("c.qncat");
    Catalogue c;
    EXPECT_EQ(c.open(path, true), CatalogueError::None);
    EntryTable one;
    put(one, QStringLiteral("/media/a/写真/"), QStringLiteral("写真01.jpg"), 100);
    put(one, QStringLiteral("/media/a/写真/"), QStringLiteral("ﾃｽﾄ.jpg"), 200);
    put(one, QStringLiteral("/media/a/"), QStringLiteral("readme.TXT"), 3);
    EXPECT_EQ(c.addVolume(QStringLiteral("DiskA"), one, {}), CatalogueError::None);
    EntryTable two;
    put(two, QStringLiteral("/media/b/"), QStringLiteral("テスト.pdf"), 4000);
    put(two, QStringLiteral("/media/b/"), QStringLiteral("notes.txt"), 5);
    EXPECT_EQ(c.addVolume(QStringLiteral("DiskB"), two, {}), CatalogueError::None);
    return path;
}

// Key by key, as a person types (any script: the text goes with each key).
void typeText(QWidget *w, const QString &text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

QString countText(CatalogueWindow *w)
{
    return w->findChild<QLabel *>(QStringLiteral("Count"))->text();
}

// Waits for the search the last key started and gives the names found.
QStringList settle(CatalogueWindow *w)
{
    EXPECT_TRUE(QTest::qWaitFor([w] { return !w->searching(); }, 10000));
    QCoreApplication::processEvents();
    QStringList names;
    for (int r = 0; r < w->results().rowCount(); ++r)
        names << w->results().hit(r).fileName;
    names.sort();
    return names;
}

TEST(CatalogueWindow, ResultsFollowTheTypingAndGoToTheList)
{
    Harness h;
    Fixture f;
    const QString path = makeCatalogue(f);
    CatalogueWindow *w = h.window->catalogue().openSearchWindow(path);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    auto *search = w->findChild<QLineEdit *>(QStringLiteral("Search"));
    EXPECT_EQ(settle(w).size(), 5u);
    EXPECT_EQ(countText(w), QStringLiteral("5 件"));

    // Half-width katakana typed finds the full-width name and itself.
    typeText(search, QStringLiteral("ﾃｽ"));
    EXPECT_EQ(settle(w), (QStringList{QStringLiteral("テスト.pdf"), QStringLiteral("ﾃｽﾄ.jpg")}));
    EXPECT_EQ(countText(w), QStringLiteral("2 件"));
    search->clear();
    typeText(search, QStringLiteral("写真"));
    EXPECT_EQ(settle(w), QStringList{QStringLiteral("写真01.jpg")});
    search->clear();
    typeText(search, QStringLiteral("*.TXT"));
    EXPECT_EQ(settle(w), (QStringList{QStringLiteral("notes.txt"), QStringLiteral("readme.TXT")}));

    // Only the volumes ticked are searched.
    auto *volumes = w->findChild<QTableWidget *>(QStringLiteral("Volumes"));
    ASSERT_EQ(volumes->rowCount(), 2);
    EXPECT_EQ(volumes->item(1, 0)->text(), QStringLiteral("DiskB"));
    volumes->item(1, 0)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(settle(w), QStringList{QStringLiteral("readme.TXT")});
    volumes->item(1, 0)->setCheckState(Qt::Checked);

    // A size bound typed in.
    search->clear();
    typeText(w->findChild<QLineEdit *>(QStringLiteral("MinSize")), QStringLiteral("200"));
    EXPECT_EQ(settle(w), (QStringList{QStringLiteral("テスト.pdf"), QStringLiteral("ﾃｽﾄ.jpg")}));

    // The selected rows, copied as the grid shows them and added to the list.
    auto *grid = w->findChild<QTableView *>(QStringLiteral("Results"));
    grid->sortByColumn(1, Qt::AscendingOrder);
    grid->selectAll();
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              QStringLiteral("DiskB\tテスト.pdf\t4000\t%1\t/media/b/\nDiskA\tﾃｽﾄ.jpg\t200\t%1\t/media/a/写真/\n")
                  .arg(grid->model()->index(0, 3).data().toString()));
    QTest::mouseClick(w->findChild<QPushButton *>(QStringLiteral("AddToList")), Qt::LeftButton);
    ASSERT_EQ(h.rows(), 2);
    EXPECT_EQ(h.window->table().TotalBytes(), 4200);
    EXPECT_EQ(h.cell(1, 3), QStringLiteral("/media/b/"));

    // DiskB mounted elsewhere: its rows follow.
    h.window->catalogue().setAskFolder([](const QString &, const QString &) {
        return std::optional<QString>(QStringLiteral("/mnt/b"));
    });
    w = h.window->catalogue().openSearchWindow(path);
    volumes = w->findChild<QTableWidget *>(QStringLiteral("Volumes"));
    volumes->setCurrentCell(1, 0);
    QTest::mouseClick(w->findChild<QPushButton *>(QStringLiteral("MoveVolume")), Qt::LeftButton);
    typeText(w->findChild<QLineEdit *>(QStringLiteral("Search")), QStringLiteral("notes"));
    ASSERT_EQ(settle(w), QStringList{QStringLiteral("notes.txt")});
    EXPECT_EQ(w->results().hit(0).directory, QStringLiteral("/mnt/b/"));

    // A volume opened as the list, after the new-list question.
    volumes->setCurrentCell(0, 0);
    h.messages.answers = {true};
    QTest::mouseClick(w->findChild<QPushButton *>(QStringLiteral("OpenVolume")), Qt::LeftButton);
    ASSERT_EQ(h.rows(), 3);
    EXPECT_EQ(h.window->table().TotalBytes(), 303);
    EXPECT_TRUE(h.messages.texts().last().startsWith(QStringLiteral("新規リストを作成します。")));
}

TEST(CatalogueWindow, AddReplaceRemoveAndTheWindowsPlaceKept)
{
    Harness h;
    Fixture f;
    f.file("one.txt", "1");
    f.file("two.txt", "22");
    h.openDirectory(f.path());
    h.click("DirAdd");
    h.messages.shown.clear();
    ASSERT_EQ(h.rows(), 2);
    const QString path = f.path() + QStringLiteral("new.qncat");
    h.chooser.answer = path;
    QStringList prefilled;
    h.window->catalogue().setAskName([&](const QString &, const QString &, const QString &suggested) {
        prefilled << suggested;
        return std::optional<QString>(QStringLiteral("Vol"));
    });
    auto *add = h.find<QMenu>("Mnu_File")->findChild<QAction *>(QStringLiteral("File_AddCatalogue"));
    ASSERT_NE(add, nullptr);
    add->trigger();
    EXPECT_EQ(h.messages.texts(), QStringList{QStringLiteral("カタログに追加しました。")});
    EXPECT_EQ(prefilled, QStringList{QFileInfo(f.path().chopped(1)).fileName()});
    EXPECT_EQ(h.chooser.asked.last().last(), QStringLiteral("*.qncat"));

    // The same name again: asked first; No keeps the volume as it was.
    h.messages.shown.clear();
    h.selectGridRow(1);
    h.window->commands().DeleteSelectedEntry();
    ASSERT_EQ(h.rows(), 1);
    h.messages.shown.clear();
    h.messages.answers = {false};
    add->trigger();
    EXPECT_EQ(h.messages.texts(), QStringList{QStringLiteral("同じ名前のボリュームがあります。置き換えますか？")});
    Catalogue c;
    ASSERT_EQ(c.open(path, false), CatalogueError::None);
    EXPECT_EQ(c.search({}).count, 2);
    h.messages.shown.clear();
    add->trigger();
    EXPECT_EQ(h.messages.texts().last(), QStringLiteral("カタログに追加しました。"));
    EXPECT_EQ(c.search({}).count, 1);

    // The search window: removing a volume, and its place kept in the INI file.
    h.chooser.answer = path;
    h.find<QMenu>("Mnu_File")->findChild<QAction *>(QStringLiteral("File_SearchCatalogue"))->trigger();
    CatalogueWindow *w = h.window->catalogue().searchWindow();
    ASSERT_NE(w, nullptr);
    settle(w);
    EXPECT_EQ(countText(w), QStringLiteral("1 件"));
    auto *volumes = w->findChild<QTableWidget *>(QStringLiteral("Volumes"));
    volumes->setCurrentCell(0, 0);
    h.messages.answers = {true};
    QTest::mouseClick(w->findChild<QPushButton *>(QStringLiteral("RemoveVolume")), Qt::LeftButton);
    EXPECT_EQ(volumes->rowCount(), 0);
    EXPECT_EQ(settle(w), QStringList());
    EXPECT_EQ(countText(w), QStringLiteral("0 件"));
    w->setGeometry(QRect(40, 50, 640, 480));
    const QRect kept = w->geometry();
    w->close();
    const ExtraSettings extras = readExtraSettings(SettingsStore(h.services.programDirectory, h.services.configDirectory).iniFile());
    ASSERT_TRUE(extras.catalogueWindow.has_value());
    EXPECT_EQ(*extras.catalogueWindow, kept);

    // A file that is no catalogue is refused with a clear message.
    h.messages.shown.clear();
    f.file("list.csv", "ファイル名\n");
    h.chooser.answer = f.path() + QStringLiteral("list.csv");
    h.find<QMenu>("Mnu_File")->findChild<QAction *>(QStringLiteral("File_SearchCatalogue"))->trigger();
    EXPECT_EQ(h.messages.texts(), QStringList{QStringLiteral("このファイルはカタログではありません。")});
}

} // namespace
} // namespace qn

#include "UiHarness.h"

#include "output/GridTitles.h"
#include "settings/SettingsStore.h"
#include "ui/FilterDialog.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QHeaderView>
#include <QMouseEvent>
#include <QScreen>
#include <QSplitter>

#include <gtest/gtest.h>

namespace qn {
namespace {

using namespace test;

const char *const Controls[] = {"Toolbar1", "Drive1", "Dir1", "File1", "MSFlexGrid1", "StatusBar1", "ProgressBar1"};

// The pairs of controls that overlap (the drive box lies on the toolbar, the
// progress bar on the status bar).
QStringList overlaps(const Harness &h)
{
    QStringList pairs;
    for (const char *a : Controls) {
        for (const char *b : Controls) {
            if (qstrcmp(a, b) < 0 && h.placeOf(a).intersects(h.placeOf(b)))
                pairs.append(QString::fromLatin1(a) + "+" + b);
        }
    }
    return pairs;
}

bool waitFor(const std::function<bool()> &done)
{
    for (int i = 0; i < 100 && !done(); ++i)
        QTest::qWait(10);
    return done();
}

TEST(WindowRoom, TheGridAndTheListsTakeWhatIsAdded)
{
    Harness h;
    h.window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(h.window.get()));
    const QSize described = h.window->size();
    EXPECT_EQ(h.window->minimumSize(), described);
    EXPECT_EQ(h.window->maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    QHash<QString, QRect> before;
    for (const char *c : Controls)
        before.insert(c, h.placeOf(c));
    const QStringList overlapping = overlaps(h);
    EXPECT_EQ(overlapping, (QStringList{"Drive1+Toolbar1", "ProgressBar1+StatusBar1"}));

    h.window->resize(described + QSize(240, 160));
    ASSERT_TRUE(waitFor([&] { return h.grid()->width() == before["MSFlexGrid1"].width() + 240; }));
    EXPECT_EQ(h.placeOf("MSFlexGrid1"), before["MSFlexGrid1"].adjusted(0, 0, 240, 160));
    EXPECT_EQ(h.placeOf("Toolbar1"), before["Toolbar1"].adjusted(0, 0, 240, 0));
    EXPECT_EQ(h.placeOf("Drive1"), before["Drive1"].translated(240, 0));
    // Dir1 and File1 share the height as they are described: 1770 to 2250.
    EXPECT_EQ(h.placeOf("Dir1"), before["Dir1"].adjusted(0, 0, 0, 70));
    EXPECT_EQ(h.placeOf("File1"), before["File1"].translated(0, 70).adjusted(0, 0, 0, 90));
    EXPECT_EQ(h.placeOf("StatusBar1"), before["StatusBar1"].translated(0, 160).adjusted(0, 0, 240, 0));
    EXPECT_EQ(h.placeOf("StatusBar1").bottom(), h.window->centralWidget()->rect().bottom());
    EXPECT_EQ(overlaps(h), overlapping);

    // Never smaller than described.
    h.window->resize(200, 150);
    ASSERT_TRUE(waitFor([&] { return h.window->size() == described; }));
    for (const char *c : Controls)
        EXPECT_EQ(h.placeOf(c), before[c]) << c;
}

TEST(WindowRoom, ThePlaceIsKeptAndRestoredOnAScreenThatShowsIt)
{
    const QRect place(40, 30, 700, 520);
    Harness first;
    first.window->setGeometry(place);
    first.window->settings().SettingsSaveOption = 0;
    ASSERT_TRUE(first.window->ConfirmExit());
    const QString ini = first.program.path() + "quilnaver.ini";
    ASSERT_TRUE(QFileInfo::exists(ini));
    EXPECT_EQ(readExtraSettings(ini).window, place);

    const auto beside = [](const Fixture &folder) {
        return [&folder](Services &s) { s.programDirectory = folder.path().chopped(1); };
    };
    Harness second(QByteArray(), beside(first.program));
    EXPECT_EQ(second.window->geometry(), place);
    EXPECT_FALSE(second.window->windowState() & Qt::WindowMaximized);

    // The screen it was on is gone: the size stays, the place is the default.
    Fixture folder;
    folder.file("quilnaver.ini", "[Window]\nx=20000\ny=15000\nwidth=700\nheight=520\nmaximized=true\n");
    Harness third(QByteArray(), beside(folder));
    EXPECT_EQ(third.window->size(), place.size());
    EXPECT_EQ(QGuiApplication::screenAt(third.window->geometry().topLeft()), QGuiApplication::primaryScreen());
    EXPECT_TRUE(third.window->windowState() & Qt::WindowMaximized);
}

// The 照合 column's width comes back when the column does, and a new width
// is what the next save keeps.
TEST(WindowRoom, AnExtraColumnKeepsItsWidth)
{
    Fixture fx;
    fx.file("a.txt", "1", 1700000000);
    Fixture folder;
    folder.file("quilnaver.ini", "[Columns]\nstate=123\n");
    Harness h(QByteArray(), [&](Services &s) { s.programDirectory = folder.path().chopped(1); });
    h.openDirectory(fx.path());
    h.click("DirAdd");
    h.find<QAction>("File_CheckDisk")->trigger();
    ASSERT_EQ(h.grid()->model()->columnCount(), 5);
    EXPECT_EQ(h.grid()->columnWidth(4), 123);
    h.grid()->setColumnWidth(4, 150);
    h.window->settings().SettingsSaveOption = 0;
    ASSERT_TRUE(h.window->ConfirmExit());
    EXPECT_EQ(readExtraSettings(h.window->iniFilePath()).columnWidths, (QMap<QString, int>{{"state", 150}}));
}

// Drags a splitter's handle by `by` pixels, as the mouse does.
void dragHandle(QSplitter *splitter, int by)
{
    QWidget *handle = splitter->handle(1);
    const QPoint from = handle->rect().center();
    const QPoint to = from + (splitter->orientation() == Qt::Horizontal ? QPoint(by, 0) : QPoint(0, by));
    const auto send = [handle](QEvent::Type type, const QPoint &at, Qt::MouseButtons buttons) {
        QMouseEvent event(type, at, handle->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(handle, &event);
    };
    send(QEvent::MouseButtonPress, from, Qt::LeftButton);
    send(QEvent::MouseMove, to, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, to, Qt::NoButton);
}

// Drags the right border of a title of the grid by `by` pixels, with the mouse.
void dragTitleBorder(QTableView *grid, int column, int by)
{
    QHeaderView *header = grid->horizontalHeader();
    QWidget *vp = header->viewport();
    const QPoint from(header->sectionViewportPosition(column) + header->sectionSize(column) - 2, vp->height() / 2);
    const QPoint to = from + QPoint(by, 0);
    const auto send = [vp](QEvent::Type type, const QPoint &at, Qt::MouseButton b, Qt::MouseButtons buttons) {
        QMouseEvent event(type, at, vp->mapToGlobal(at), b, buttons, Qt::NoModifier);
        QApplication::sendEvent(vp, &event);
    };
    send(QEvent::MouseMove, from, Qt::NoButton, Qt::NoButton);
    send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

// The panes are the user's to move (the screen here is 800 by 600) and the
// last column takes the width left free; a restart brings the panes back from the INI file, and the settings
// file keeps the widths the user gave, never the stretch.
TEST(WindowRoom, PanesMoveAndTheLastColumnTakesTheFreeWidth)
{
    Harness first;
    first.window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(first.window.get()));
    const QSize described = first.window->size();
    QTableView *grid = first.grid();
    first.window->setColumnWidthTwips(NameCol, 900);
    first.window->setColumnWidthTwips(DirCol, 1500);
    const int others = grid->columnWidth(NameCol) + grid->columnWidth(SizeCol) + grid->columnWidth(DateCol);
    EXPECT_EQ(grid->columnWidth(DirCol), grid->viewport()->width() - others);

    first.window->resize(described + QSize(200, 120));
    ASSERT_TRUE(waitFor([&] { return first.placeOf("MSFlexGrid1").width() == 369 + 200; }));
    EXPECT_EQ(first.placeOf("Dir1").width(), 145);
    EXPECT_EQ(grid->columnWidth(DirCol), grid->viewport()->width() - others);
    EXPECT_EQ(grid->horizontalHeader()->length(), grid->viewport()->width()); // no room left over, none lacking

    dragHandle(first.find<QSplitter>("Panes"), 60);
    dragHandle(first.find<QSplitter>("Lists"), 40);
    const QRect dir = first.placeOf("Dir1");
    const QRect file = first.placeOf("File1");
    EXPECT_EQ(dir.width(), 145 + 60);
    EXPECT_EQ(first.placeOf("MSFlexGrid1").width(), 369 + 200 - 60);
    EXPECT_EQ(file.width(), dir.width());
    EXPECT_EQ(file.bottom() - dir.top() + 1, 278 + 120); // the two lists share their height
    EXPECT_EQ(grid->columnWidth(DirCol), grid->viewport()->width() - others);

    // A column widened past the room is the user's; the stretch is not kept.
    grid->setColumnWidth(SizeCol, 400);
    EXPECT_EQ(grid->columnWidth(DirCol), 100);
    grid->setColumnWidth(SizeCol, 87);
    EXPECT_EQ(first.window->columnWidthTwips(SizeCol), 87 * 15);
    // Narrowing the stretched column by its border gives it no width of the stretch.
    dragTitleBorder(grid, DirCol, -10);
    EXPECT_EQ(first.window->columnWidthTwips(DirCol), 1500);
    dragTitleBorder(grid, DirCol, -(grid->columnWidth(DirCol) - 20));
    EXPECT_EQ(first.window->columnWidthTwips(DirCol), 1500);
    EXPECT_EQ(grid->columnWidth(DirCol), grid->viewport()->width() - others);
    // The lists are never dragged out of sight.
    dragHandle(first.find<QSplitter>("Panes"), -1000);
    EXPECT_GE(first.placeOf("Dir1").width(), 40);
    dragHandle(first.find<QSplitter>("Panes"), dir.width() - first.placeOf("Dir1").width());
    ASSERT_EQ(first.placeOf("Dir1"), dir);
    first.window->settings().SettingsSaveOption = 0;
    ASSERT_TRUE(first.window->ConfirmExit());
    const ExtraSettings kept = readExtraSettings(first.window->iniFilePath());
    EXPECT_EQ(kept.panes.left, dir.width());
    EXPECT_EQ(kept.panes.folders + kept.panes.files, dir.height() + file.height());

    Harness second(QByteArray(), [&](Services &s) { s.programDirectory = first.services.programDirectory; });
    EXPECT_EQ(second.window->columnWidthTwips(NameCol), 900);
    EXPECT_EQ(second.window->columnWidthTwips(DirCol), 1500);
    second.window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(second.window.get()));
    ASSERT_TRUE(waitFor([&] { return second.window->size() == described + QSize(200, 120); }));
    EXPECT_EQ(second.placeOf("Dir1"), dir);
    EXPECT_EQ(second.placeOf("File1"), file);
    EXPECT_EQ(second.grid()->columnWidth(DirCol), second.grid()->viewport()->width() - others);

    // Back at the described size, the panes keep the user's places.
    second.window->resize(described);
    ASSERT_TRUE(waitFor([&] { return second.window->size() == described; }));
    EXPECT_EQ(second.placeOf("Dir1").width(), 145 + 60);
    EXPECT_EQ(second.placeOf("File1").bottom(), 349);
}

TEST(WindowRoom, FilterAppliesOnOkToTheListsAndEveryAdd)
{
    Fixture fx;
    for (const char *d : {"sub", "sub/.git", "sub/@eaDir"})
        fx.subdir(d);
    for (const char *f : {"a.jpg", "b.txt", "Thumbs.db", "sub/c.JPG", "sub/d.tmp", "sub/.git/e.jpg", "sub/@eaDir/f.jpg"})
        fx.file(f, "x");
    Harness h;
    h.openDirectory(fx.path());
    ASSERT_EQ(h.files()->count(), 3);

    QAction *item = h.find<QAction>("Option_Filter");

    QString title;
    onModal([&](QWidget *w) {
        title = w->windowTitle();
        w->findChild<QLineEdit *>("Text_Include")->setText("*.jpg");
        QTest::mouseClick(w->findChild<QPushButton *>("Command_Cancel"), Qt::LeftButton);
    });
    item->trigger();
    EXPECT_EQ(title, QStringLiteral("フィルター"));
    EXPECT_EQ(h.files()->count(), 3);
    EXPECT_TRUE(h.find<QLabel>("Panel3")->isHidden());
    EXPECT_FALSE(QFileInfo::exists(h.window->iniFilePath()));

    onModal([&](QWidget *w) {
        w->findChild<QLineEdit *>("Text_Include")->setText("*.jpg; *.db");
        QTest::mouseClick(w->findChild<QPushButton *>("Text_ExcludeExamples"), Qt::LeftButton);
        QTest::mouseClick(w->findChild<QPushButton *>("Text_ExcludeDirectoriesExamples"), Qt::LeftButton);
        QTest::mouseClick(w->findChild<QPushButton *>("Command_OK"), Qt::LeftButton);
    });
    item->trigger();
    const FilterPatterns expected{"*.jpg; *.db", "Thumbs.db;desktop.ini;.DS_Store;*.tmp",
                                  ".git;node_modules;@eaDir;#snapshot;$RECYCLE.BIN;System Volume Information", false};
    EXPECT_EQ(h.window->filterPatterns(), expected);
    EXPECT_EQ(readExtraSettings(h.window->iniFilePath()).filter, expected);
    EXPECT_FALSE(h.find<QLabel>("Panel3")->isHidden());
    EXPECT_EQ(h.find<QLabel>("Panel3")->text(), QStringLiteral("フィルター適用中"));
    EXPECT_EQ(h.files()->count(), 1); // what DIR would add

    h.click("DirAdd");
    EXPECT_EQ(h.rows(), 1);
    EXPECT_EQ(h.cell(1, NameCol), "a.jpg");
    h.window->commands().NewList();
    h.dirs()->setPath(fx.path());
    h.find<QAction>("File_AddTree")->trigger();
    ASSERT_EQ(h.rows(), 2);
    EXPECT_EQ(h.cell(2, NameCol), "c.JPG");
    // A dropped folder is filtered; a dropped file is taken as it is.
    h.window->commands().NewList();
    h.window->commands().AddDroppedPaths({fx.path() + "sub", fx.path() + "b.txt"});
    ASSERT_EQ(h.rows(), 2);
    EXPECT_EQ(h.cell(1, NameCol), "c.JPG");
    EXPECT_EQ(h.cell(2, NameCol), "b.txt");

    // A new window starts with the filter.
    Harness again(QByteArray(), [&](Services &s) { s.programDirectory = h.services.programDirectory; });
    EXPECT_EQ(again.window->filterPatterns(), expected);
    EXPECT_FALSE(again.find<QLabel>("Panel3")->isHidden());
}

} // namespace
} // namespace qn

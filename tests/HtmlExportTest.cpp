#include "UiHarness.h"

#include "list/EntryTable.h"
#include "ui/HtmlExport.h"

#include <QMenu>
#include <QPushButton>
#include <gtest/gtest.h>

namespace qn {
namespace {

using namespace test;

const QString Done = QStringLiteral("完了！！");

TEST(SaveHtmlFile, WritesThePageBehindTheProgressWindowAndKeepsTheOldFileOnCancelOrFailure)
{
    Harness h;
    Fixture fx;
    Fixture out;
    fx.file("a.txt", "123", 1796720707);
    fx.file("\"><img src=x onerror=alert(1)>", "1", 1796720707);
    h.openDirectory(fx.path());
    h.click("DirAdd");
    h.window->settings().SaveDirectory = out.path();
    h.messages.shown.clear();

    // The item stands right after the CSV export.
    const QList<QAction *> items = h.find<QMenu>("Mnu_File")->actions();
    const auto at = [&](const char *name) {
        for (qsizetype i = 0; i < items.size(); ++i)
            if (items[i]->objectName() == QLatin1String(name))
                return i;
        return qsizetype(-1);
    };
    // The last of the exports that follow the CSV's.
    ASSERT_GE(at("File_SaveCsv"), 0);
    EXPECT_EQ(at("File_SaveHtml") + 1, at("File_OpenCsv"));
    EXPECT_EQ(items[at("File_SaveHtml")]->text(), QStringLiteral("HTMLで保存..."));
    QAction *save = h.find<QAction>("File_SaveHtml");

    h.chooser.answer.reset(); // the dialog cancelled: nothing happens
    save->trigger();
    EXPECT_TRUE(h.messages.shown.isEmpty());
    ASSERT_EQ(h.chooser.asked.size(), 1);
    EXPECT_EQ(h.chooser.asked[0], (QStringList{"HTMLで保存", out.path(), "リスト.html", "*.html"}));

    // Cancelled in the progress window: no file, no message.
    h.chooser.answer = out.path() + "リスト.html";
    h.work.cancelAt = 0;
    save->trigger();
    h.work.cancelAt = -1;
    EXPECT_EQ(h.work.titles.value(0), QStringLiteral("HTMLで保存"));
    EXPECT_TRUE(h.messages.shown.isEmpty());
    EXPECT_TRUE(filesIn(out.path()).isEmpty());

    save->trigger();
    EXPECT_EQ(h.messages.texts(), QStringList{Done});
    const QByteArray page = readAll(out.path() + "リスト.html");
    EXPECT_TRUE(page.contains("<title>リスト</title>"));
    EXPECT_TRUE(page.contains("\"a.txt\""));
    EXPECT_TRUE(page.contains("\"\\\">\\u003cimg src=x onerror=alert(1)>\""));

    // The list takes the name of the CSV it was saved as.
    h.chooser.answer = out.path() + "delivery.csv";
    h.find<QAction>("File_SaveCsv")->trigger();
    h.chooser.answer = out.path() + "d.html";
    save->trigger();
    EXPECT_TRUE(readAll(out.path() + "d.html").contains("<title>delivery</title>"));

    // A full disk: the CSV export's message, and the previous file stays.
    h.messages.shown.clear();
    h.chooser.answer = out.path() + "リスト.html";
    {
        FileSizeLimit full(1000);
        save->trigger();
    }
    EXPECT_EQ(h.messages.texts(), QStringList{QStringLiteral("リストを作成できませんでした。")});
    EXPECT_EQ(readAll(out.path() + "リスト.html"), page);
    EXPECT_EQ(filesIn(out.path()), (QStringList{"d.html", "delivery.csv", "リスト.html"}));
}

// The real progress window on a list long enough to be cancelled while it is
// read: no file, no message, and the list is the window's again at once (a
// worker left behind must not read it, which ThreadSanitizer would see).
TEST(SaveHtmlFile, CancelInTheProgressWindowLeavesNoFileAndFreesTheList)
{
    Fixture out;
    EntryTable table;
    for (int i = 0; i < 300000; ++i)
        table.AppendEntry(QStringLiteral("/d%1/").arg(i % 100), QStringLiteral("f%1").arg(i), [i](FileStamp &s) {
            s.size = i;
            s.modified = 1700000000;
            return true;
        });
    Settings settings = defaultSettings();
    settings.SaveDirectory = out.path();
    ScriptedMessages messages;
    ScriptedChooser chooser;
    chooser.answer = out.path() + "list.html";
    WindowWorkProgress work;
    Services services;
    services.messages = &messages;
    services.chooser = &chooser;
    services.work = &work;

    onModal([](QWidget *w) {
        ASSERT_TRUE(w);
        QTest::mouseClick(w->findChild<QPushButton *>("Cancel"), Qt::LeftButton);
    });
    SaveHtmlFile(nullptr, table, settings, services, QStringLiteral("t"));
    table.Clear();
    EXPECT_TRUE(messages.shown.isEmpty());
    QTest::qWait(300);
    EXPECT_TRUE(filesIn(out.path()).isEmpty());

    table.AppendEntry(QStringLiteral("/d/"), QStringLiteral("kept.txt"), [](FileStamp &s) {
        s.size = 1;
        return true;
    });
    SaveHtmlFile(nullptr, table, settings, services, QStringLiteral("t"));
    EXPECT_EQ(messages.texts(), QStringList{Done});
    EXPECT_TRUE(readAll(out.path() + "list.html").contains("kept.txt"));
}

} // namespace
} // namespace qn

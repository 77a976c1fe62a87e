#include "UiHarness.h"

#include "layout/PageLayout.h"
#include "list/EntryTable.h"
#include "list/LocalClock.h"
#include "output/CsvFile.h"
#include "output/GridTitles.h"
#include "output/XlsxFile.h"
#include "output/ZipWriter.h"
#include "settings/SettingsStore.h"
#include "ui/ExportCommands.h"

#include <QHeaderView>
#include <QMenu>
#include <QPrinter>
#include <QPushButton>
#include <QDateTime>
#include <QProcess>

#include <gtest/gtest.h>

#include <zlib.h>

namespace qn {
namespace {

using namespace test;

void add(EntryTable &t, const QString &dir, const QString &name, qint64 size, qint64 modified = 1796720707)
{
    t.AppendEntry(dir, name, [&](FileStamp &s) {
        s.size = size;
        s.modified = modified;
        return true;
    });
}

QByteArray output(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitCode() != 0)
        return QByteArray();
    return process.readAllStandardOutput();
}

int pdfPages(const QString &pdf)
{
    for (const QByteArray &line : output("pdfinfo", {pdf}).split('\n')) {
        if (line.startsWith("Pages:"))
            return line.mid(6).trimmed().toInt();
    }
    return -1;
}

QString readText(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

struct PageCase {
    const char *name;
    qint64 rows;
    int pages;
};

TEST(PageGeometry, RowsAndTotalsFillThePages)
{
    // 50 lines: the header's two, the title row, 47 rows.
    const PageGeometry g = PageGeometry::forHeight(500, 10);
    ASSERT_EQ(g.rowsPerPage, 47);
    const PageCase cases[] = {
        {"empty list: one page of totals", 0, 1},
        {"totals just fit", 45, 1},
        {"one row too many for the totals", 46, 2},
        {"a full page", 47, 2},
        {"two pages and the totals", 92, 2},
        {"the totals alone on the third", 93, 3},
        {"100,000 rows", 100000, 2128},
    };
    for (const PageCase &c : cases)
        EXPECT_EQ(g.pageCount(c.rows), c.pages) << c.name;
    // A page too short for anything still holds the totals.
    EXPECT_EQ(PageGeometry::forHeight(25, 10).rowsPerPage, PageGeometry::TotalsLines);
    EXPECT_EQ(PageGeometry::forHeight(25, 10).pageCount(3), 3);
}

TEST(PageLayout, PdfHasThePagesItLaidOutAndNamesCutNotOverlapping)
{
    Fixture out;
    EntryTable t;
    const QString longName = QStringLiteral("とても長いファイル名") + QString(60, QLatin1Char('x')) + ".txt";
    add(t, "/data/", longName, 1);
    for (int i = 0; i < 700; ++i)
        add(t, "/data/", QStringLiteral("f%1.dat").arg(i, 4, 10, QLatin1Char('0')), i);
    PageOptions options;
    options.title = QStringLiteral("納品リスト");
    options.printedAt = QStringLiteral("2026/12/09 10:00");
    int pages = 0;
    const QString pdf = out.path() + "list.pdf";
    ASSERT_EQ(savePdfFile(pdf, t, options, defaultPageLayout(), &pages), PdfResult::Written);
    EXPECT_GT(pages, 10);
    EXPECT_EQ(pdfPages(pdf), pages);
    const QString text = QString::fromUtf8(output("pdftotext", {"-layout", pdf, "-"}));
    EXPECT_EQ(text.count(QStringLiteral("納品リスト")), pages);
    EXPECT_TRUE(text.contains(pageNumberText(pages, pages)));
    // The long name is cut with "…" and its column's neighbour stays whole.
    const QString first = text.section(QLatin1Char('\n'), 3, 3);
    EXPECT_TRUE(first.startsWith(QStringLiteral("とても長いファイル名xx"))) << first.toStdString();
    EXPECT_TRUE(first.contains(QStringLiteral("…"))) << first.toStdString();
    EXPECT_FALSE(first.contains(longName));
    EXPECT_TRUE(first.contains(QStringLiteral("1 B"))) << first.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("f0699.dat")));
}

TEST(PageLayout, CancelLeavesThePreviousFile)
{
    Fixture out;
    EntryTable t;
    for (int i = 0; i < 3000; ++i)
        add(t, "/data/", QStringLiteral("f%1").arg(i), i);
    out.file("list.pdf", "previous");
    std::atomic<bool> cancel{false};
    PageOptions options;
    options.cancel = &cancel;
    options.progress = [&cancel](int page, int) { cancel = page >= 3; };
    EXPECT_EQ(savePdfFile(out.path() + "list.pdf", t, options), PdfResult::Cancelled);
    EXPECT_EQ(readText(out.path() + "list.pdf"), "previous");
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"list.pdf"});
}

TEST(PageLayout, ACheckedListShowsItsStatesAndWhatTheCheckFoundInPagesAndWorkbooks)
{
    Fixture out;
    EntryTable t;
    add(t, "/data/", "same.txt", 10);
    add(t, "/data/", "grown.txt", 20);
    t.SetChecked(1, CheckState::Same);
    t.SetChecked(2, CheckState::Changed);
    t.SetFound(2, FoundValues{123456, 1796720707});
    t.MarkChecked();

    PageOptions options;
    options.unit = 0;
    const QString pdf = out.path() + "checked.pdf";
    ASSERT_EQ(savePdfFile(pdf, t, options, defaultPageLayout()), PdfResult::Written);
    const QString text = QString::fromUtf8(output("pdftotext", {"-layout", pdf, "-"}));
    for (const char *shown : {"照合", "現在のバイト数", "現在の更新日時", "一致", "変更", "123456"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(shown))) << shown << "\n" << text.toStdString();

    const QString xlsx = out.path() + "checked.xlsx";
    ASSERT_EQ(saveXlsxFile(xlsx, t, XlsxOptions()), XlsxResult::Written);
    const QByteArray seen = output("/usr/bin/python3", {"-c",
                                                        "import openpyxl, sys\n"
                                                        "s = openpyxl.load_workbook(sys.argv[1])['リスト']\n"
                                                        "for r in s.iter_rows(values_only=True):\n"
                                                        "  print([str(v) for v in r[5:]])\n",
                                                        xlsx});
    EXPECT_EQ(QString::fromUtf8(seen), QStringLiteral("['照合', '現在のバイト数', '現在の更新日時']\n"
                                                      "['一致', 'None', 'None']\n"
                                                      "['変更', '123456', '%1']\n")
                                           .arg(QDateTime::fromSecsSinceEpoch(1796720707).toString("yyyy-MM-dd HH:mm:ss")));
}

// A year past 9999 is text in the CSV's form, however far: one an int would
// wrap onto 2026 is not written as a date of 2026.
TEST(XlsxFile, FarYearsAreTextNeverAWrappedDate)
{
    Fixture out;
    EntryTable t;
    add(t, "/d/", "far", 1, (daysFromCivil(2026 + 25 * (qint64(1) << 32), 12, 9) - daysFromCivil(1970, 1, 1)) * 86400);
    const QString xlsx = out.path() + "far.xlsx";
    ASSERT_EQ(saveXlsxFile(xlsx, t, XlsxOptions()), XlsxResult::Written);
    const QByteArray seen = output("/usr/bin/python3", {"-c",
                                                        "import openpyxl, sys\n"
                                                        "s = openpyxl.load_workbook(sys.argv[1])['リスト']\n"
                                                        "print(type(s['C2'].value).__name__, s['C2'].value)\n",
                                                        xlsx});
    EXPECT_TRUE(seen.startsWith("str 107374184426-12-")) << seen.toStdString();
}

TEST(XlsxFile, LongListGoesOnToNumberedSheetsEachWithTitles)
{
    Fixture out;
    EntryTable t;
    for (int i = 0; i < 7; ++i)
        add(t, "/data/", QStringLiteral("%1").arg(i, 4, 10, QLatin1Char('0')), i);
    XlsxOptions options;
    options.rowsPerSheet = 3;
    const QString xlsx = out.path() + "list.xlsx";
    ASSERT_EQ(saveXlsxFile(xlsx, t, options), XlsxResult::Written);
    const QByteArray seen = output("/usr/bin/python3", {"-c",
                                                        "import openpyxl, sys\n"
                                                        "b = openpyxl.load_workbook(sys.argv[1])\n"
                                                        "for s in b:\n"
                                                        "  print(s.title, [r[0].value for r in s.iter_rows()])\n",
                                                        xlsx});
    EXPECT_EQ(QString::fromUtf8(seen), QStringLiteral("リスト ['ファイル名', '0000', '0001', '0002']\n"
                                                      "リスト (2) ['ファイル名', '0003', '0004', '0005']\n"
                                                      "リスト (3) ['ファイル名', '0006']\n"
                                                      "合計 ['ファイル数', 'バイト数']\n"));
}

TEST(XlsxFile, CancelLeavesThePreviousFileAndNothingBesideIt)
{
    Fixture out;
    EntryTable t;
    for (int i = 0; i < 10000; ++i)
        add(t, "/data/", QStringLiteral("f%1").arg(i), i);
    out.file("list.xlsx", "previous");
    std::atomic<bool> cancel{false};
    XlsxOptions options;
    options.cancel = &cancel;
    options.progress = [&cancel](qint64) { cancel = true; };
    EXPECT_EQ(saveXlsxFile(out.path() + "list.xlsx", t, options), XlsxResult::Cancelled);
    EXPECT_EQ(readText(out.path() + "list.xlsx"), "previous");
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"list.xlsx"});
}

// Rows as long as a row gets: every character of the names and folders one
// that takes an escape, the longest sizes and times, and every column a
// check and digests add. The sheet's XML stays within the bound the writer
// chose zip64 by, and close to it; a full sheet of the deepest paths
// Windows makes stays below 4 GiB, so it needs no zip64.
TEST(XlsxFile, SheetSizeBoundHoldsTheLongestRowsAndKeepsDeepPathsBelowZip64)
{
    Fixture out;
    const auto sheetSize = [](const QString &xlsx) {
        return output("/usr/bin/python3", {"-c",
                                           "import zipfile, sys\n"
                                           "print(zipfile.ZipFile(sys.argv[1]).getinfo('xl/worksheets/sheet1.xml')"
                                           ".file_size)\n",
                                           xlsx})
            .trimmed()
            .toULongLong();
    };
    EntryTable empty;
    ASSERT_EQ(saveXlsxFile(out.path() + "empty.xlsx", empty), XlsxResult::Written);
    const quint64 frame = sheetSize(out.path() + "empty.xlsx");
    ASSERT_GT(frame, 0u);
    EXPECT_LE(frame, XlsxSheetFrame);

    EntryTable t;
    const int rows = 200;
    // Control characters (but tab and line feed) and U+FFFF are written
    // _xHHHH_, seven bytes; two of them make each name its own.
    QString escaped;
    for (char16_t c = 1; c < 0x20; ++c) {
        if (c != '\t' && c != '\n')
            escaped += QChar(c);
    }
    for (int i = 1; i <= rows; ++i) {
        const QString name =
            QString(escaped[i / escaped.size()]) + escaped[i % escaped.size()] + QString(298, QChar(0x0d));
        const QString dir = "/" + QString(300, QChar(0xffff)) + "/";
        add(t, dir, name, 9'000'000'000'000'000 + i, -62135596800); // year 1: the CSV's text
        t.SetChecked(i, CheckState::ContentChanged);
        t.SetFound(i, FoundValues{-9'000'000'000'000'000 - i, -62135596800});
        t.SetDigest(i, QByteArray(32, '\xab'));
    }
    t.MarkChecked();
    ASSERT_TRUE(t.IsChecked() && t.HasDigests() && t.HasFound());
    const QString xlsx = out.path() + "long.xlsx";
    ASSERT_EQ(saveXlsxFile(xlsx, t), XlsxResult::Written);
    const quint64 bound = XlsxSheetFrame + rows * xlsxRowBound(300, 302, true, true, true);
    const quint64 written = sheetSize(xlsx);
    EXPECT_LE(written, bound);
    EXPECT_GE(written, bound * 95 / 100) << "a bound far above what rows take";

    // 1,048,575 rows of 260-character paths: below 4 GiB, as the bound says.
    EXPECT_LT(XlsxSheetFrame + 1'048'575 * xlsxRowBound(40, 220, false, false, false), 0xffffffffu);
}

TEST(ZipWriter, EntriesReadBackByPythonsZipfileAndARefusedWriteIsSeen)
{
    Fixture out;
    const QString zipPath = out.path() + "a.zip";
    QFile file(zipPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    QByteArray big;
    for (int i = 0; i < 200000; ++i)
        big += QByteArray::number(i * 7919) + ',';
    {
        ZipWriter zip(&file);
        zip.add("small.txt", "hello");
        zip.begin("big.txt", true); // 64-bit sizes, as a sheet past 4 GiB gets
        zip.write(big.left(1000));
        zip.write(big.mid(1000));
        zip.end();
        zip.add("empty", QByteArray());
        zip.finish();
        EXPECT_TRUE(zip.ok());
    }
    file.close();
    const QByteArray listed = output("/usr/bin/python3", {"-c",
                                                          "import zipfile, zlib, sys\n"
                                                          "z = zipfile.ZipFile(sys.argv[1])\n"
                                                          "assert z.testzip() is None\n"
                                                          "for i in z.infolist():\n"
                                                          "  d = z.read(i)\n"
                                                          "  print(i.filename, len(d), zlib.crc32(d))\n",
                                                          zipPath});
    EXPECT_EQ(listed, "small.txt 5 907060870\nbig.txt " + QByteArray::number(big.size()) + ' '
                          + QByteArray::number(qulonglong(crc32(0, reinterpret_cast<const Bytef *>(big.constData()),
                                                                uInt(big.size()))))
                          + "\nempty 0 0\n");

    QFile full("/dev/full");
    ASSERT_TRUE(full.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    ZipWriter refused(&full);
    refused.add("small.txt", "hello");
    refused.finish();
    EXPECT_FALSE(refused.ok());
}

TEST(ExportCommands, MenuItemsFollowTheCsvExportAndWriteTheWorkbook)
{
    Harness h;
    Fixture fx;
    Fixture out;
    fx.file("0012", "abc", 1796720707);
    h.openDirectory(fx.path());
    h.click("DirAdd");
    h.window->settings().SaveDirectory = out.path();

    QStringList items;
    for (QAction *a : h.find<QMenu>("Mnu_File")->actions())
        items.append(a->objectName());
    const qsizetype csv = items.indexOf("File_SaveCsv");
    ASSERT_GE(csv, 0);
    EXPECT_EQ(items.mid(csv + 1, 3), (QStringList{"File_SaveXlsx", "File_Print", "File_SavePdf"}));
    EXPECT_EQ(h.find<QAction>("File_SaveXlsx")->text(), QStringLiteral("Excelで保存..."));
    EXPECT_EQ(h.find<QAction>("File_Print")->text(), QStringLiteral("印刷..."));
    EXPECT_EQ(h.find<QAction>("File_SavePdf")->text(), QStringLiteral("PDFで保存..."));

    h.messages.shown.clear();
    h.chooser.answer = out.path() + "list.xlsx";
    h.find<QAction>("File_SaveXlsx")->trigger();
    ASSERT_EQ(h.chooser.asked.size(), 1);
    EXPECT_EQ(h.chooser.asked[0], (QStringList{"Excelで保存", out.path(), "リスト.xlsx", "*.xlsx"}));
    EXPECT_EQ(h.messages.texts(), QStringList{doneText()});
    EXPECT_TRUE(readText(out.path() + "list.xlsx").startsWith("PK"));

    // Cancelled behind the progress window: no message, the old file whole.
    h.messages.shown.clear();
    out.file("old.xlsx", "previous");
    h.chooser.answer = out.path() + "old.xlsx";
    h.work.cancelAt = 0;
    h.find<QAction>("File_SaveXlsx")->trigger();
    EXPECT_TRUE(h.messages.shown.isEmpty());
    EXPECT_EQ(readText(out.path() + "old.xlsx"), "previous");

    // A folder that is gone: the CSV export's message.
    h.work.cancelAt = -1;
    h.chooser.answer = out.path() + "gone/list.pdf";
    h.find<QAction>("File_SavePdf")->trigger();
    EXPECT_EQ(h.messages.texts(), QStringList{listFailedText()});
    EXPECT_EQ(h.chooser.asked.last(), (QStringList{"PDFで保存", out.path(), "リスト.pdf", "*.pdf"}));
}

TEST(ExportCommands, PrintsTheGridsColumnsAndKeepsThePageSetup)
{
    Harness h;
    Fixture fx;
    Fixture out;
    fx.file("report.txt", "abc", 1796720707);
    h.openDirectory(fx.path());
    h.click("DirAdd");
    h.grid()->horizontalHeader()->hideSection(DirCol);
    h.messages.shown.clear();

    const QString pdf = out.path() + "printed.pdf";
    h.window->exports().setPrintDialog([&pdf](QPrinter &printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setPageOrientation(QPageLayout::Landscape);
        return true;
    });
    h.find<QAction>("File_Print")->trigger();
    EXPECT_TRUE(h.messages.shown.isEmpty());
    const QString text = QString::fromUtf8(output("pdftotext", {"-layout", pdf, "-"}));
    EXPECT_TRUE(text.contains("report.txt")) << text.toStdString();
    EXPECT_FALSE(text.contains(fx.path())) << "a hidden column stays hidden";
    EXPECT_TRUE(text.contains(pageFilesText(1)));
    EXPECT_EQ(h.window->exports().pageLayout().orientation(), QPageLayout::Landscape);

    // The page setup goes through the INI file and back.
    ExtraSettings extras;
    extras.pageSetup = pageLayoutText(h.window->exports().pageLayout());
    out.file("quilnaver.ini", extraSettingsText(extras));
    const QPageLayout back = pageLayoutFromText(readExtraSettings(out.path() + "quilnaver.ini").pageSetup);
    EXPECT_TRUE(back.isEquivalentTo(h.window->exports().pageLayout()));
    EXPECT_TRUE(pageLayoutFromText("A4 sideways 1 2 3 4").isEquivalentTo(defaultPageLayout()));
    EXPECT_TRUE(pageLayoutFromText("Letter landscape 10 10 10 10").isEquivalentTo(
        QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Landscape, QMarginsF(10, 10, 10, 10),
                    QPageLayout::Millimeter)));
}

// The real progress window on a list long enough to be cancelled while it is
// read: the workbook, the PDF and the printout each cancelled and the list
// cleared at once. A worker still finishing must not read the list any more
// (ThreadSanitizer sees it if it does); no file and no message are left.
TEST(ExportCancel, CancelledWorkbookPdfAndPrintoutLeaveTheListToTheWindowAtOnce)
{
    WindowWorkProgress work;
    Harness h(QByteArray(), [&work](Services &services) { services.work = &work; });
    Fixture out;
    EntryTable list;
    for (int i = 0; i < 200000; ++i)
        add(list, QStringLiteral("/d%1/").arg(i % 100), QStringLiteral("f%1").arg(i), i);
    out.file("long.csv", CsvFileText(list));
    const auto openLong = [&] {
        h.chooser.answer = out.path() + "long.csv";
        h.find<QAction>("File_OpenCsv")->trigger();
        ASSERT_EQ(h.rows(), 200000);
        h.messages.shown.clear();
    };
    const QString printed = out.path() + "printed.pdf";
    h.window->exports().setPrintDialog([&printed](QPrinter &printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(printed);
        return true;
    });
    const struct {
        const char *action;
        const char *file;
    } exports[] = {{"File_SaveXlsx", "list.xlsx"}, {"File_SavePdf", "list.pdf"}, {"File_Print", nullptr}};
    for (const auto &e : exports) {
        openLong();
        if (e.file)
            h.chooser.answer = out.path() + e.file;
        onModal([](QWidget *w) {
            ASSERT_TRUE(w);
            QTest::mouseClick(w->findChild<QPushButton *>("Cancel"), Qt::LeftButton);
        });
        h.find<QAction>(e.action)->trigger();
        h.click("Shinki");
        EXPECT_EQ(h.rows(), 0) << e.action;
        // The new list's question, and nothing from the export.
        ASSERT_EQ(h.messages.shown.size(), 1) << e.action;
        EXPECT_TRUE(h.messages.shown[0].withCancel) << e.action;
        QTest::qWait(300);
        h.messages.shown.clear();
        if (e.file) {
            EXPECT_FALSE(QFile::exists(out.path() + e.file)) << e.action;
        }
    }
    QStringList left = QDir(out.path()).entryList(QDir::Files | QDir::Hidden);
    left.removeAll("long.csv");
    left.removeAll("printed.pdf"); // the printer's own file
    EXPECT_EQ(left, QStringList()) << "nothing half-written beside the list";
}

} // namespace
} // namespace qn

#include "TestFiles.h"

#include "list/DirectoryAdd.h"
#include "list/EntryTable.h"
#include "output/CsvFile.h"
#include "output/CsvReader.h"
#include "platform/Cp932.h"

#include <gtest/gtest.h>

namespace qn {
namespace {

void add(EntryTable &t, const QString &dir, const QString &name, qint64 size, qint64 modified)
{
    t.AppendEntry(dir, name, [&](FileStamp &s) {
        s.size = size;
        s.modified = modified;
        return true;
    });
}

// "dir|name|size|time" for each entry, to compare tables.
QStringList rows(const EntryTable &t)
{
    QStringList out;
    for (int i = 1; i <= t.EntryCount(); ++i) {
        const ListEntry &e = t.at(i);
        out.append(e.Directory + "|" + e.FileName + "|" + QString::number(e.Size) + "|" + QString::number(e.Modified));
    }
    return out;
}

EntryTable tableOf(const QByteArray &csv, CsvReadResult *outcome = nullptr)
{
    CsvReadResult r = readListCsv(csv);
    if (outcome)
        *outcome = r;
    EntryTable t;
    AppendCsvList(t, r.list);
    return t;
}

// What the writer writes, the reader reads back, whatever the names.
TEST(CsvReader, ReadsBackWhatTheWriterWrote)
{
    EntryTable t;
    add(t, "/data/", "plain.txt", 1536, 1796720707);
    add(t, "/data/", "a,b \"q\".txt", 12000000000LL, 0); // past 2^32
    add(t, "/data/写真/", "東京.jpg", 0, 1796688000);
    add(t, "/data/写真/", "line\nbreak\r\nand cr", 7, 1796720707);
    add(t, "/data/with, comma \"and quote\"/", "x", 1, 1700000000);
    add(t, "/" + QString("deep/").repeated(900), "long.bin", 9, 1000000000);
    const QByteArray csv = CsvFileText(t);
    CsvReadResult r;
    const EntryTable back = tableOf(csv, &r);
    EXPECT_EQ(r.status, CsvReadResult::Read);
    EXPECT_EQ(r.list.rows, 6);
    EXPECT_EQ(rows(back), rows(t));
    EXPECT_EQ(CsvFileText(back), csv);
}

// Read into an empty list the names become the list's own text; into a list
// that has names they are copied. Either way each entry keeps its own name
// through later adds and removals, and a leading byte-order mark is a name's.
TEST(CsvReader, ReadNamesAreTheTablesWhetherTakenOrCopied)
{
    const QByteArray csv = QStringLiteral("ファイル名,バイト数,更新日時,ディレクトリ\r\n"
                                          "\uFEFFmark.txt,1,2026-12-08 09:05:07,/d/\r\n"
                                          "写真.jpg,2,2026-12-08 09:05:07,/d/\r\n"
                                          "写真.jpg,3,2026-12-08 09:05:07,/d/\r\n"
                                          "b,4,2026-12-08 09:05:07,/e/\r\n").toUtf8();
    const QStringList expected{"/d/|\uFEFFmark.txt|1|1796720707", "/d/|写真.jpg|2|1796720707", "/e/|b|4|1796720707"};
    EntryTable taken;
    CsvReadResult r = readListCsv(csv);
    ASSERT_EQ(r.status, CsvReadResult::Read);
    EXPECT_EQ(AppendCsvList(taken, r.list).alreadyListed, 1);
    EntryTable copied;
    add(copied, "/z/", "first", 9, 0);
    r = readListCsv(csv);
    AppendCsvList(copied, r.list);
    copied.RemoveEntry(1);
    EXPECT_EQ(rows(taken), expected);
    EXPECT_EQ(rows(copied), expected);
    add(taken, "/e/", "c", 5, 0);
    taken.RemoveEntries({1, 2});
    EXPECT_EQ(rows(taken), (QStringList{"/e/|b|4|1796720707", "/e/|c|5|0"}));
}

// The same table as a spreadsheet saves it again: code page 932 without a
// byte-order mark, LF, fields unquoted, columns moved, times as it writes them.
TEST(CsvReader, ReadsWhatASpreadsheetSavedAgain)
{
    const QString text = QStringLiteral(
        "パス,更新日時,ディレクトリ,メモ,バイト数,ファイル名\n"
        "/data/東京.jpg,2026/12/8 9:05,/data/,見た,1536,東京.jpg\n"
        "/data/b.txt,2026/12/08 9:05:07,/data,,12,b.txt\n"
        ",,,,,\n");
    const QByteArray cp932 = toCp932(text);
    ASSERT_FALSE(cp932.contains('?'));
    CsvReadResult r;
    const EntryTable t = tableOf(cp932, &r);
    ASSERT_EQ(r.status, CsvReadResult::Read);
    EXPECT_EQ(rows(t), (QStringList{"/data/|東京.jpg|1536|1796720700", "/data/|b.txt|12|1796720707"}));
    // The same in UTF-8, with CR LF and quotes.
    QString quoted = text;
    quoted.replace("\n", "\r\n").replace("東京.jpg,", "\"東京.jpg\",");
    EXPECT_EQ(rows(tableOf(quoted.toUtf8())), rows(t));
}

// Nothing is read from a file that is not a list, or from a list with a bad
// row: which line, counted with the title line as 1.
TEST(CsvReader, RefusesWholeFilesAndNamesTheLine)
{
    const QByteArray title = "ファイル名,バイト数,更新日時,ディレクトリ\r\n";
    const QByteArray good = "a,1,2026-12-08 09:05:07,/d/\r\n";
    const struct {
        QByteArray csv;
        CsvReadResult::Status status;
        qint64 line;
    } cases[] = {
        {"", CsvReadResult::NotAList, 0},
        {"ファイル名,バイト数,ディレクトリ\r\n" + good, CsvReadResult::NotAList, 0},
        {toCp932(u"       バイト数    ファイル名") + "\r\n *       1  B    a\r\n", CsvReadResult::NotAList, 0},
        {QByteArray("\x00\xff\xfe binary", 10), CsvReadResult::NotAList, 0},
        {title + good + "b,-1,2026-12-08 09:05:07,/d/\r\n", CsvReadResult::BadLine, 3},
        {title + good + good + "b,1.5,2026-12-08 09:05:07,/d/\r\n", CsvReadResult::BadLine, 4},
        {title + "b,1,2026-02-30 09:05:07,/d/\r\n", CsvReadResult::BadLine, 2},
        {title + "b,1,yesterday,/d/\r\n", CsvReadResult::BadLine, 2},
        {title + "b,1,2026-12-08 09:05:07,relative/d/\r\n", CsvReadResult::BadLine, 2},
        {title + good + "\"b,1,2026-12-08 09:05:07,/d/\r\n", CsvReadResult::BadLine, 3},
        {title + "\"b\"x,1,2026-12-08 09:05:07,/d/\r\n", CsvReadResult::BadLine, 2},
        {title + "b,1\r\n", CsvReadResult::BadLine, 2},
        {title + "b,99999999999999999999,2026-12-08 09:05:07,/d/\r\n", CsvReadResult::BadLine, 2},
        // A state misread would move a row into the record or out of it.
        {QStringLiteral("ファイル名,バイト数,更新日時,ディレクトリ,照合\r\na,1,2026-12-08 09:05:07,/d/,一致\r\n"
                        "b,1,2026-12-08 09:05:07,/d/,新\r\n").toUtf8(),
         CsvReadResult::BadLine, 3},
        {QStringLiteral("ファイル名,バイト数,更新日時,ディレクトリ,照合,現在のバイト数,現在の更新日時\r\n"
                        "b,1,2026-12-08 09:05:07,/d/,変更,2,later\r\n").toUtf8(),
         CsvReadResult::BadLine, 2},
    };
    for (const auto &c : cases) {
        const CsvReadResult r = readListCsv(c.csv);
        EXPECT_EQ(r.status, c.status) << c.csv.constData();
        EXPECT_EQ(r.line, c.line) << c.csv.constData();
        EXPECT_TRUE(r.list.directories.empty()) << c.csv.constData();
    }
}

} // namespace
} // namespace qn

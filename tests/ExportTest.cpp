#include "TestFiles.h"

#include "list/EntryTable.h"
#include "output/CsvFile.h"
#include "output/ListFile.h"
#include "platform/Cp932.h"

#include <QProcess>

#include <ctime>
#include <gtest/gtest.h>

namespace qn {
namespace {

using namespace test;

void add(EntryTable &t, const QString &dir, const QString &name, qint64 size, qint64 modified)
{
    t.AppendEntry(dir, name, [&](FileStamp &s) {
        s.size = size;
        s.modified = modified;
        return true;
    });
}

TEST(CsvFile, GoldenBytes)
{
    EntryTable t;
    add(t, "/data/", "plain.txt", 1536, 1796720707);        // 2026-12-08 09:05:07 UTC
    add(t, "/data/", "a,b \"q\".txt", 12000000, 0);
    add(t, "/data/写真/", "東京.jpg", 0, 1796688000);        // midnight
    add(t, "/data/", "line\nbreak", 7, 1796720707);
    add(t, "/data/", decodeName("raw\xff.bin", 8), 9, 1796720707);
    ReplacedNames replaced;
    const QByteArray csv = CsvFileText(t, &replaced);
    const QByteArray expected = "\xEF\xBB\xBF" + QStringLiteral("ファイル名,バイト数,更新日時,ディレクトリ,パス").toUtf8()
                                + "\r\n"
                                  "plain.txt,1536,2026-12-08 09:05:07,/data/,/data/plain.txt\r\n"
                                  "\"a,b \"\"q\"\".txt\",12000000,1970-01-01 00:00:00,/data/,\"/data/a,b \"\"q\"\".txt\"\r\n"
                                + QStringLiteral("東京.jpg,0,2026-12-08 00:00:00,/data/写真/,/data/写真/東京.jpg").toUtf8()
                                + "\r\n"
                                  "\"line\nbreak\",7,2026-12-08 09:05:07,/data/,\"/data/line\nbreak\"\r\n"
                                + QStringLiteral("raw\uFFFD.bin,9,2026-12-08 09:05:07,/data/,/data/raw\uFFFD.bin").toUtf8()
                                + "\r\n";
    EXPECT_EQ(csv, expected);
    EXPECT_EQ(replaced.count, 1);
    EXPECT_EQ(replaced.first, QStringList{QStringLiteral("raw\uFFFD.bin")});
    EXPECT_EQ(CsvFileText(EntryTable()), expected.left(expected.indexOf('\n') + 1));
}

// The times of the CSV against the C library's own local time, every seven
// minutes around clock changes of an hour and of half an hour.
TEST(CsvFile, TimesFollowTheLocalClockAcrossAChange)
{
    const QByteArray before = qgetenv("TZ");
    const struct {
        const char *zone;
        qint64 change; // a moment the offset changes, UTC
    } zones[] = {
        {"CET-1CEST,M3.5.0,M10.5.0/3", 1774746000},                     // 2026-03-29 01:00 UTC
        {"CET-1CEST,M3.5.0,M10.5.0/3", 1792890000},                     // 2026-10-25 01:00 UTC
        {"<+1030>-10:30<+11>-11,M10.1.0,M4.1.0", 1791045000},          // Lord Howe, 2026-10-04
        {"Australia/Lord_Howe", 1791041400},                            // the same, from the zone files
        {"Africa/Monrovia", 63593070},                                  // -0:44:30 until 1972-01-07 00:44:30 UTC
    };
    for (const auto &z : zones) {
        qputenv("TZ", z.zone);
        ::tzset();
        EntryTable t;
        QByteArray expected;
        // Each second of the half hour around the change, then every seven
        // minutes for a day either side.
        std::vector<qint64> moments;
        for (qint64 s = z.change - 900; s < z.change + 900; ++s)
            moments.push_back(s);
        for (qint64 s = z.change - 86400; s < z.change + 86400; s += 7 * 60 + 1)
            moments.push_back(s);
        for (qint64 s : moments) {
            add(t, "/d/", QString::number(t.EntryCount()), 0, s);
            const time_t when = time_t(s);
            struct tm tm;
            ::localtime_r(&when, &tm);
            char text[32];
            std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm);
            expected += text;
        }
        QByteArray got;
        for (const QByteArray &line : CsvFileText(t).split('\n').mid(1)) {
            if (!line.isEmpty())
                got += line.split(',')[2];
        }
        EXPECT_EQ(got, expected) << z.zone;
    }
    qputenv("TZ", before);
    ::tzset();
}

// Years before 1 and after 9999 in ISO 8601 numbering (year 0 is 1 BC):
// every row keeps its five fields.
TEST(CsvFile, FarYearsInIsoNumbering)
{
    const QByteArray before = qgetenv("TZ");
    qputenv("TZ", "UTC");
    ::tzset();
    EntryTable t;
    for (qint64 s : {-63644000000LL, -62135596801LL, -62135596800LL, 253402300799LL, 299999000000LL})
        add(t, "/d/", QString::number(s), 1, s);
    const QList<QByteArray> rows = CsvFileText(t).split('\n').mid(1, 5);
    QByteArrayList times;
    for (const QByteArray &row : rows) {
        EXPECT_EQ(row.count(','), 4) << row.constData();
        times.append(row.split(',').value(2));
    }
    EXPECT_EQ(times, (QByteArrayList{"-0047-03-15 15:06:40", "0000-12-31 23:59:59", "0001-01-01 00:00:00",
                                     "9999-12-31 23:59:59", "11476-08-03 15:33:20"}));
    qputenv("TZ", before);
    ::tzset();
}

TEST(ListFile, NamesItCouldNotHoldAreCountedAsItWrites)
{
    EntryTable t;
    for (const char *name : {"plain", "café", "日本語", "😀", "tab\there", "①"})
        add(t, "/d/", QString::fromUtf8(name), 1, 0);
    add(t, "/d/", decodeName("raw\xff", 4), 1, 0);
    ReplacedNames replaced;
    const QByteArray text = ListFileText(t, 3, &replaced);
    EXPECT_EQ(text, ListFileText(t, 3)); // the same bytes, counted or not
    EXPECT_EQ(replaced.count, 4);
    EXPECT_EQ(replaced.first, (QStringList{QStringLiteral("café"), QStringLiteral("😀"), QStringLiteral("tab\there"),
                                           QStringLiteral("raw\uFFFD")}));
    for (int i = 0; i < 10; ++i)
        add(t, "/d/", QStringLiteral("é%1").arg(i), 1, 0);
    ReplacedNames many;
    ListFileText(t, 3, &many);
    EXPECT_EQ(many.count, 14);
    EXPECT_EQ(many.first.size(), ReplacedNames::Kept);
}

struct ToolRun {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

ToolRun listTool(const QStringList &arguments, const QString &workingDirectory = QString())
{
    QProcess p;
    // By its exact bytes, which QProcess's own setting would not keep.
    const QByteArray directory = encodeName(workingDirectory);
    if (!workingDirectory.isEmpty()) {
        p.setChildProcessModifier([directory] {
            if (::chdir(directory.constData()) != 0)
                ::_exit(125);
        });
    }
    p.start(QStringLiteral(QUILNAVER_LIST_TOOL), arguments);
    ToolRun r;
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.status = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

// The same entries the program would hold after adding these files of dir,
// in the order its directory add takes them.
EntryTable programTable(const QString &dir)
{
    EntryTable t;
    for (const QString &name : listingOrder(dir))
        t.AppendEntry(dir, name);
    return t;
}

TEST(CommandLine, ListOutputIsTheProgramsListFileByteForByte)
{
    Fixture fx;
    fx.file("small.txt", QByteArray(1536, 's'), 1796720707);
    fx.file("big.bin", QByteArray(12345, 'b'));
    fx.file("日本語.txt", "abc");
    fx.file("café.doc", "x");
    fx.file(".hidden", "h");
    fx.subdir("sub");
    const EntryTable t = programTable(fx.path());
    ASSERT_EQ(t.EntryCount(), 4);
    for (int unit = 0; unit <= 3; ++unit) {
        const ToolRun r = listTool({"-u", QString::number(unit), fx.path()});
        EXPECT_EQ(r.status, 0) << unit;
        EXPECT_EQ(r.out, ListFileText(t, unit)) << unit;
    }
    // The replacement report goes to standard error.
    const ToolRun r = listTool({fx.path()});
    EXPECT_EQ(r.err, QStringLiteral("quilnaver-list: 1 name held characters the list file cannot hold, written as "
                                    "\"?\":\n  café.doc\n")
                         .toUtf8());

    // To a file, through the safe write; the CSV of the same entries.
    Fixture out;
    const ToolRun toFile = listTool({"--format", "csv", "-o", out.path() + "list.csv", fx.path()});
    EXPECT_EQ(toFile.status, 0);
    EXPECT_TRUE(toFile.out.isEmpty());
    EXPECT_EQ(readAll(out.path() + "list.csv"), CsvFileText(t));
    EXPECT_EQ(filesIn(out.path()), QStringList{"list.csv"});
}

TEST(CommandLine, ArgumentOrderDuplicatesAndTrees)
{
    Fixture fx;
    fx.subdir("tree");
    fx.subdir("tree/inner");
    fx.file("tree/top", "1");
    fx.file("tree/inner/deep", "22");
    fx.file("single", "333");
    // A relative file, then the folder holding it: listed once, first.
    const ToolRun r = listTool({"-u", "0", "single", fx.path(), "-r", "tree"}, fx.path());
    EXPECT_EQ(r.status, 0) << r.err.constData();
    const QList<QByteArray> lines = r.out.split('\n');
    ASSERT_EQ(lines.size(), 5);
    EXPECT_TRUE(lines[1].endsWith(" 3  B    single\r"));
    EXPECT_TRUE(lines[2].endsWith(" 1  B    top\r"));
    EXPECT_TRUE(lines[3].endsWith(" 2  B    deep\r"));

    // Without -r a directory's own files only.
    const ToolRun flat = listTool({fx.path() + "tree"});
    EXPECT_EQ(flat.out.count('\n'), 2);
}

TEST(CommandLine, WhatCannotBeReadIsNamedAndTheRestWritten)
{
    Fixture fx;
    fx.file("here.txt", "1");
    const ToolRun r = listTool({fx.path() + "gone.txt", fx.path() + "here.txt", fx.path() + "no-dir/"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.endsWith("here.txt\r\n"));
    const QList<QByteArray> errors = r.err.trimmed().split('\n');
    ASSERT_EQ(errors.size(), 2);
    EXPECT_TRUE(errors[0].startsWith("quilnaver-list: cannot read " + fx.nativePath() + "gone.txt"));
    EXPECT_TRUE(errors[1].startsWith("quilnaver-list: cannot read " + fx.nativePath() + "no-dir"));

    // An output that cannot be written: status 1, the old file untouched.
    const ToolRun unwritable = listTool({"-o", fx.path() + "missing/list.txt", fx.path()});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_TRUE(unwritable.err.contains("cannot write"));
    // A device is written as it is.
    EXPECT_EQ(listTool({"-o", "/dev/null", fx.path()}).status, 0);
}

// Names are printed so that they cannot steer the terminal, and relative
// paths are read from the real current directory, whatever its name's bytes.
TEST(CommandLine, NamesCannotSteerTheTerminalAndRelativePathsKeepTheirBytes)
{
    Fixture fx;
    fx.subdir("raw\xff dir");
    fx.file("raw\xff dir/here.txt", "1");
    const ToolRun relative = listTool({"here.txt", "gone\x1b[2J\nfake line\xc2\x9b.txt"}, fx.path() + decodeName("raw\xff dir", 8));
    EXPECT_EQ(relative.status, 1);
    EXPECT_TRUE(relative.out.endsWith("here.txt\r\n"));
    ASSERT_EQ(relative.err.count('\n'), 1) << relative.err.constData();
    EXPECT_TRUE(relative.err.startsWith("quilnaver-list: cannot read gone\\x1b[2J\\nfake line\\xc2\\x9b.txt:"))
        << relative.err.constData();
    EXPECT_EQ(relative.err.count('\x1b'), 0);

    // The names the list file could not hold, likewise.
    fx.file("tab\there\xe2\x91\xa0.txt", "2");
    const ToolRun replaced = listTool({fx.path() + "tab\there\xe2\x91\xa0.txt"});
    EXPECT_EQ(replaced.status, 0);
    EXPECT_TRUE(replaced.err.endsWith("  tab\\there\xe2\x91\xa0.txt\n")) << replaced.err.constData();
}

// A saved list rewritten without the disk, and checked against it later.
TEST(CommandLine, ReadsSavedListsBackAndChecksThem)
{
    Fixture fx;
    fx.subdir("data");
    fx.file("data/a.txt", "1", 1700000000);
    fx.file("data/b\nline.txt", "22", 1700000000);
    const QString csv = fx.path() + "list.csv";
    ASSERT_EQ(listTool({"-f", "csv", "-o", csv, fx.path() + "data"}).status, 0);
    const ToolRun fromDisk = listTool({"-u", "0", fx.path() + "data"});
    const ToolRun fromCsv = listTool({"-u", "0", "--from-csv", csv});
    EXPECT_EQ(fromCsv.status, 0);
    EXPECT_EQ(fromCsv.out, fromDisk.out);

    const ToolRun unchanged = listTool({"--check", csv});
    EXPECT_EQ(unchanged.status, 0);
    EXPECT_TRUE(unchanged.out.isEmpty()) << unchanged.out.constData();

    fx.file("data/a.txt", "111", 1700000000);
    fx.remove("data/b\nline.txt");
    fx.file("data/c.txt", "3", 1700000000);
    const ToolRun changed = listTool({"--check", csv});
    EXPECT_EQ(changed.status, 1);
    QList<QByteArray> lines = changed.out.trimmed().split('\n');
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, (QList<QByteArray>{"changed\t" + fx.nativePath() + "data/a.txt",
                                        "missing\t" + fx.nativePath() + "data/b\\nline.txt",
                                        "new\t" + fx.nativePath() + "data/c.txt"}));
    EXPECT_EQ(listTool({"--check", csv, "--against", csv}).status, 0);

    fx.file("broken.csv", QStringLiteral("ファイル名,バイト数,更新日時,ディレクトリ\nx,no,2026-12-08 09:05:07,/d/\n").toUtf8());
    const ToolRun broken = listTool({"--check", fx.path() + "broken.csv"});
    EXPECT_EQ(broken.status, 2);
    EXPECT_TRUE(broken.err.contains("line 2")) << broken.err.constData();
    EXPECT_EQ(listTool({"--against", csv, fx.path()}).status, 2);
}

// The manifest as a shell would make it, checked by sha256sum; a content
// change that size and time do not show.
TEST(CommandLine, Sha256SumsPassesSha256sumAndCheckSeesContent)
{
    Fixture fx;
    fx.subdir("sub");
    fx.file("a.txt", "abcd", 1700000000);
    fx.file("back\\slash", "b");
    fx.file("sub/z.bin", "z");
    QProcess shell;
    shell.setWorkingDirectory(fx.path());
    shell.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("'" QUILNAVER_LIST_TOOL "' -r --sha256sums . > SHA256SUMS && sha256sum -c SHA256SUMS")});
    ASSERT_TRUE(shell.waitForFinished(60000));
    const QByteArray said = shell.readAllStandardOutput();
    EXPECT_EQ(shell.exitCode(), 0) << said.constData() << shell.readAllStandardError().constData();
    EXPECT_EQ(said.count(": OK\n"), 3) << said.constData();

    const QString csv = fx.path() + "list.csv";
    ASSERT_EQ(listTool({"--sha256", "-f", "csv", "-o", csv, fx.path() + "a.txt"}).status, 0);
    EXPECT_TRUE(readAll(csv).contains(",SHA-256\r\n"));
    fx.file("a.txt", "abce", 1700000000);
    const ToolRun check = listTool({"--check", csv});
    EXPECT_EQ(check.status, 1);
    EXPECT_TRUE(check.out.startsWith("content\t" + fx.nativePath() + "a.txt\n")) << check.out.constData();
    EXPECT_FALSE(check.out.contains("changed")) << check.out.constData();
}

TEST(CommandLine, UsageErrorsAndHelp)
{
    Fixture fx;
    for (const QStringList &bad : {QStringList{}, QStringList{"-u", "4", fx.path()}, QStringList{"-u", "x", fx.path()},
                                   QStringList{"-f", "xml", fx.path()}, QStringList{"--bogus", fx.path()}}) {
        const ToolRun r = listTool(bad);
        EXPECT_EQ(r.status, 2) << bad.join(' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.contains("--help"));
    }
    const ToolRun help = listTool({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char *option : {"--recursive", "--unit", "--format", "--output", "Exit status"})
        EXPECT_TRUE(help.out.contains(option)) << option;
}

TEST(ListTool, FiltersChooseTheFilesOfDirectoriesNotTheFilesNamed)
{
    Fixture fx;
    for (const char *d : {"sub", "sub/.cache", "node_modules"})
        fx.subdir(d);
    for (const char *f : {"a.jpg", "b.txt", ".c.jpg", "sub/d.JPG", "sub/.cache/e.jpg", "node_modules/f.jpg"})
        fx.file(f, "x", 1700000000);
    const auto names = [&](QStringList arguments) {
        const ToolRun r = listTool(arguments << "-f" << "csv" << fx.path());
        QStringList found;
        for (const QByteArray &line : r.out.split('\n').mid(1)) {
            if (!line.isEmpty())
                found.append(QString::fromUtf8(line.left(line.indexOf(','))));
        }
        found.sort(); // a directory's files come in the file system's order
        return QString::number(r.status) + ": " + found.join(' ');
    };
    EXPECT_EQ(names({"-r"}), QString("0: a.jpg b.txt d.JPG f.jpg"));
    EXPECT_EQ(names({"-r", "--include", "*.jpg", "--exclude-dir", "node_modules"}), QString("0: a.jpg d.JPG"));
    EXPECT_EQ(names({"-r", "--include", "*.jpg;*.txt", "--exclude", "b*", "--hidden"}),
              QString("0: .c.jpg a.jpg d.JPG e.jpg f.jpg"));
    // A file named as it is is listed whatever the filter.
    EXPECT_EQ(listTool({"--include", "*.jpg", "-f", "csv", fx.path() + "b.txt"}).out.count('\n'), 2);
}

} // namespace
} // namespace qn

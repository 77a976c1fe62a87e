#include "CheckScenario.h"
#include "TestFiles.h"

#include "list/Check.h"
#include "list/DirectoryAdd.h"
#include "list/EntryTable.h"
#include "output/CsvFile.h"
#include "output/CsvReader.h"
#include "platform/Digest.h"

#include <QDateTime>
#include <QTemporaryDir>
#include "platform/Cp932.h"

#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qn {
namespace {

using namespace test;

const std::atomic<bool> never{false};

void add(EntryTable &t, const QString &dir, const QString &name, qint64 size = 1, qint64 time = 100)
{
    t.AppendEntry(dir, name, [&](FileStamp &s) {
        s = FileStamp{size, time};
        return true;
    });
}

struct ToolOutput {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

QByteArray shellQuoted(const QByteArray &text)
{
    QByteArray quoted = text;
    return "'" + quoted.replace("'", "'\\''") + "'";
}

// Run through the shell, its output in files: after a QProcess has waited
// for its child, ThreadSanitizer no longer sees this thread take its locks,
// and the checks run here afterwards would be reported as races.
ToolOutput listTool(const QStringList &arguments)
{
    ToolOutput r;
    QTemporaryDir dir;
    if (!dir.isValid())
        return r;
    const QByteArray out = QFile::encodeName(dir.filePath(QStringLiteral("out")));
    const QByteArray err = QFile::encodeName(dir.filePath(QStringLiteral("err")));
    QByteArray command = "timeout 60 " + shellQuoted(QUILNAVER_LIST_TOOL);
    for (const QString &argument : arguments)
        command += ' ' + shellQuoted(QFile::encodeName(argument));
    command += " </dev/null >" + shellQuoted(out) + " 2>" + shellQuoted(err);
    const int status = std::system(command.constData());
    if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) == 124) // 124: timed out
        return r;
    r.status = WEXITSTATUS(status);
    r.out = readAll(QFile::decodeName(out));
    r.err = readAll(QFile::decodeName(err));
    return r;
}

// The report's lines as path=state, sorted.
QStringList reported(const QByteArray &out)
{
    QStringList lines;
    for (const QByteArray &line : out.split('\n')) {
        const qsizetype tab = line.indexOf('\t');
        if (tab > 0)
            lines.append(QString::fromUtf8(line.mid(tab + 1)) + "=" + QString::fromUtf8(line.left(tab)));
    }
    lines.sort();
    return lines;
}

// The proposed scope of a list read back: the deepest folder that holds
// every listed directory, or below a volume's root the topmost listed ones;
// the folders the adds came from when there are any.
TEST(CheckScope, ProposedFromTheListedDirectoriesOrTheAdds)
{
    const auto proposed = [](std::initializer_list<const char *> directories) {
        EntryTable t;
        for (const char *d : directories)
            add(t, QString::fromUtf8(d), "f");
        const CheckScope s = ProposedScope(t);
        const bool sub = !s.folders.empty() && s.folders.front().subdirectories;
        for (const ScopeFolder &f : s.folders)
            EXPECT_EQ(f.subdirectories, sub) << f.path.toStdString();
        return s.paths().join(' ') + (sub ? " +sub" : "");
    };
    EXPECT_EQ(proposed({"/v/a/"}), "/v/a/");
    EXPECT_EQ(proposed({"/v/a/b/", "/v/a/c/"}), "/v/a/ +sub");
    EXPECT_EQ(proposed({"/v/a/", "/v/a/c/"}), "/v/a/ +sub");
    EXPECT_EQ(proposed({"/v/ab/", "/v/ac/"}), "/v/ +sub"); // whole folder names only
    EXPECT_EQ(proposed({"/x/", "/y/z/"}), "/x/ /y/z/");
    EXPECT_EQ(proposed({"/x/y/", "/z/", "/x/"}), "/x/ /z/ +sub");
    EXPECT_EQ(proposed({}), "");

    EntryTable t;
    add(t, "/r/one/", "f");
    t.RememberFolder("/r/", false);
    t.RememberFolder("/s/", true);
    t.RememberFolder("/r/", false);
    // Each folder as its adds took it.
    const CheckScope remembered = ProposedScope(t);
    EXPECT_EQ(remembered.paths(), (QStringList{"/r/", "/s/"}));
    ASSERT_EQ(remembered.folders.size(), 2u);
    EXPECT_FALSE(remembered.folders[0].subdirectories);
    EXPECT_TRUE(remembered.folders[1].subdirectories);
    t.Clear();
    EXPECT_TRUE(t.RememberedFolders().empty());
}

// The whole scope through the command line, twice with the same answer:
// new folders, a folder empty when listed, the filter in force, a content
// change only the digest shows; the record never changes.
TEST(CheckScope, CommandLineChecksTheScopeTwiceAlike)
{
    CheckScenario s;
    Fixture out;
    const QString csv = out.path() + "list.csv";
    ASSERT_EQ(listTool({"-r", "--sha256", "-f", "csv", "-o", csv, s.fx.path()}).status, 0);
    const QByteArray saved = readAll(csv);
    s.change();
    const QStringList expected = CheckScenario::expected(QString::fromUtf8(s.fx.nativePath()), "", "changed", "content",
                                                         "missing", "new");
    QStringList differing;
    for (const QString &line : expected) {
        if (!line.endsWith('='))
            differing.append(line);
    }
    for (int run = 0; run < 2; ++run) {
        const ToolOutput r = listTool({"--check", csv, "--exclude", "*.tmp"});
        EXPECT_EQ(r.status, 1) << r.err.constData();
        EXPECT_EQ(reported(r.out), differing) << r.out.constData();
        EXPECT_TRUE(r.err.startsWith("scope: " + s.fx.nativePath() + "\n")) << r.err.constData();
        EXPECT_TRUE(r.err.endsWith("same 2, changed 1, content 1, missing 2, new 4, unreadable 0\n")) << r.err.constData();
    }
    EXPECT_EQ(readAll(csv), saved);

    // The list saved after a check: the rows the check added are no part of
    // the record, so checked again it gives the same answer.
    {
        EntryTable t;
        CsvReadResult read = readListCsv(saved);
        ASSERT_EQ(read.status, CsvReadResult::Read);
        AppendCsvList(t, read.list);
        FilterPatterns patterns;
        patterns.exclude = "*.tmp";
        DiskCheck check = PrepareDiskCheck(t, ProposedScope(t), NameFilter(patterns));
        RunDiskCheck(check, never, {}, 2);
        Findings found = DiskFindings(check);
        ApplyCheck(t, found);
        out.file("checked.csv", CsvFileText(t));
        const ToolOutput again = listTool({"--check", out.path() + "checked.csv", "--exclude", "*.tmp"});
        EXPECT_EQ(reported(again.out), differing) << again.out.constData();
        EXPECT_TRUE(again.err.endsWith("same 2, changed 1, content 1, missing 2, new 4, unreadable 0\n"))
            << again.err.constData();
    }

    // The scope given: one folder alone, without the filter.
    const ToolOutput keep = listTool({"--check", csv, s.fx.path() + "keep"});
    EXPECT_EQ(keep.status, 1);
    EXPECT_FALSE(keep.err.contains("scope:"));
    EXPECT_TRUE(keep.err.endsWith("same 2, changed 1, content 1, missing 2, new 0, unreadable 0\n")) << keep.err.constData();
    const ToolOutput top = listTool({"--check", csv, s.fx.path()});
    EXPECT_TRUE(reported(top.out).contains(QString::fromUtf8(s.fx.nativePath()) + "skip.tmp=new")) << top.out.constData();
    EXPECT_FALSE(reported(top.out).contains(QString::fromUtf8(s.fx.nativePath()) + "newdir/n1.txt=new"));

    // The report to a file; to a full disk the check could not be done.
    const ToolOutput toFile = listTool({"--check", csv, "--exclude", "*.tmp", "-o", out.path() + "report.txt"});
    EXPECT_EQ(toFile.status, 1);
    EXPECT_TRUE(toFile.out.isEmpty());
    EXPECT_EQ(reported(readAll(out.path() + "report.txt")), differing);
    EXPECT_EQ(listTool({"--check", csv, "-o", "/dev/full"}).status, 2);
}

TEST(CheckScope, CommandLineExitStatusAndUsage)
{
    Fixture fx;
    fx.subdir("d");
    fx.file("d/a.txt", "a", 1700000000);
    const QString csv = fx.path() + "list.csv";
    ASSERT_EQ(listTool({"-f", "csv", "-o", csv, fx.path() + "d"}).status, 0);
    const ToolOutput same = listTool({"--check", csv});
    EXPECT_EQ(same.status, 0) << same.err.constData();
    EXPECT_TRUE(same.out.isEmpty());
    EXPECT_TRUE(same.err.endsWith("same 1, changed 0, content 0, missing 0, new 0, unreadable 0\n"));

    // A scope folder that cannot be opened at all (an unplugged disk): 2.
    const ToolOutput gone = listTool({"--check", csv, fx.path() + "unplugged"});
    EXPECT_EQ(gone.status, 2);
    EXPECT_TRUE(gone.err.contains("cannot open")) << gone.err.constData();

    for (const QStringList &bad :
         {QStringList{"--check", csv, "--against", csv, fx.path()}, QStringList{"--check", csv, "--against", csv, "-r"},
          QStringList{"--check", csv, "--against", csv, "--exclude", "*.tmp"}, QStringList{"--check", csv, "-f", "csv"},
          QStringList{"--check", csv, "--sha256"}, QStringList{"--check", csv, "--from-csv", csv},
          QStringList{"--check", csv, "-u", "0"}, QStringList{"--check", csv, "--sha256sums"}}) {
        const ToolOutput r = listTool(bad);
        EXPECT_EQ(r.status, 2) << bad.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains("--help")) << r.err.constData();
    }

    // A folder below the scope that cannot be read: a difference, named.
    fx.subdir("d/closed");
    ::chmod((fx.nativePath() + "d/closed").constData(), 0);
    EXPECT_TRUE(asOrdinaryUser([&] {
        const QByteArray command = "'" QUILNAVER_LIST_TOOL "' --check '" + encodeName(csv) + "' -r 2>/dev/null";
        FILE *p = ::popen(command.constData(), "r");
        if (!p)
            return false;
        QByteArray said(4096, '\0');
        said.resize(qsizetype(std::fread(said.data(), 1, size_t(said.size()), p)));
        const int status = ::pclose(p);
        return WIFEXITED(status) && WEXITSTATUS(status) == 1 && said == "unreadable\t" + fx.nativePath() + "d/closed/\n";
    }));
    ::chmod((fx.nativePath() + "d/closed").constData(), 0755);
}

// A file whose size differs is 変更 without being read: one nobody may read
// says so all the same; of the same size it must be read, and cannot be.
TEST(CheckScope, ContentReadOnlyWhereTheSizeAgrees)
{
    Fixture fx;
    fx.file("grown.bin", "abcd", 1700000000);
    fx.file("locked.bin", "abcd", 1700000000);
    EntryTable t;
    t.AppendEntry(fx.path(), "grown.bin");
    t.AppendEntry(fx.path(), "locked.bin");
    Sha256 hash;
    hash.update("abcd", 4);
    const QByteArray digest = hash.finish();
    t.SetDigest(1, digest);
    t.SetDigest(2, digest);
    fx.file("grown.bin", "abcdef", 1700000000);
    ::chmod((fx.nativePath() + "grown.bin").constData(), 0);
    ::chmod((fx.nativePath() + "locked.bin").constData(), 0);
    EXPECT_TRUE(asOrdinaryUser([&] {
        DiskCheck check = PrepareDiskCheck(t, CheckScope{{fx.path()}, false});
        RunDiskCheck(check, never, {}, 2);
        Findings found = DiskFindings(check);
        ApplyCheck(t, found);
        return t.at(1).State == CheckState::Changed && t.at(2).State == CheckState::Unreadable;
    }));
}

// A file 5,000 bytes deep is checked, its content read, like any other.
TEST(CheckScope, FilesDeeperThanAnyPathAreChecked)
{
    Fixture fx;
    int fd = ::open(fx.nativePath().constData(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    for (int level = 0; level < 250; ++level) {
        ASSERT_EQ(::mkdirat(fd, "folder-of-twenty-ch", 0755), 0);
        const int next = ::openat(fd, "folder-of-twenty-ch", O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
        ASSERT_GE(fd, 0);
    }
    const int file = ::openat(fd, "bottom.txt", O_WRONLY | O_CREAT, 0644);
    ASSERT_EQ(::write(file, "deep", 4), 4);
    ::close(file);
    ::close(fd);

    TreeWalkReport walked = walkTree(fx.path(), never);
    EntryTable t;
    AppendTree(t, walked);
    ASSERT_EQ(t.EntryCount(), 1);
    EXPECT_GT(t.at(1).Directory.size(), 5000);
    Sha256 hash;
    hash.update("deep", 4);
    t.SetDigest(1, hash.finish());
    for (const CheckScope &scope : {CheckScope{{fx.path()}, true}, CheckScope()}) {
        t.ClearCheck();
        DiskCheck check = PrepareDiskCheck(t, scope);
        RunDiskCheck(check, never, {}, 2);
        Findings found = DiskFindings(check);
        const CheckCounts counts = ApplyCheck(t, found);
        EXPECT_EQ(counts.same, 1);
        EXPECT_EQ(counts.differing(), 0);
    }
}

// Applying a result: changed entries take what was found (another list's
// digest with it), なし entries are named for removal, states go.
TEST(CheckScope, ApplyingTakesWhatWasFound)
{
    EntryTable mine, theirs;
    add(mine, "/a/", "same", 1, 100);
    add(mine, "/a/", "changed", 1, 100);
    add(mine, "/a/", "gone", 1, 100);
    mine.SetDigest(2, QByteArray(32, 'm'));
    add(theirs, "/a/", "same", 1, 100);
    add(theirs, "/a/", "changed", 3, 300);
    theirs.SetDigest(2, QByteArray(32, 't'));
    add(theirs, "/a/", "extra", 7, 700);
    Findings found = ListFindings(mine, theirs);
    ApplyCheck(mine, found);
    EXPECT_EQ(mine.TotalBytes(), 1 + 1 + 1 + 7);
    EXPECT_EQ(mine.at(2).Sha256, QByteArray(32, 'm'));
    EXPECT_EQ(EntriesToHashAgain(mine), std::vector<int>{2});
    EXPECT_EQ(NewRows(mine), std::vector<int>{4});
    EXPECT_EQ(ApplyFound(mine), std::vector<int>{3});
    EXPECT_FALSE(mine.IsChecked());
    EXPECT_FALSE(mine.HasFound());
    EXPECT_EQ(mine.at(2).Size, 3);
    EXPECT_EQ(mine.at(2).Modified, 300);
    EXPECT_EQ(mine.at(2).Sha256, QByteArray(32, 't'));
    EXPECT_EQ(mine.at(4).State, CheckState::None);
    EXPECT_EQ(mine.TotalBytes(), 1 + 3 + 1 + 7);

    // A found size no total can hold (a hand-made CSV): the entry keeps its
    // record whole, digest too.
    EntryTable odd;
    add(odd, "/a/", "x", 1, 100);
    add(odd, "/a/", "y", 1, 100);
    odd.SetDigest(2, QByteArray(32, 'y'));
    odd.SetChecked(2, CheckState::Changed);
    odd.SetFound(2, FoundValues{std::numeric_limits<qint64>::max(), 200});
    odd.MarkChecked();
    ApplyFound(odd);
    EXPECT_EQ(odd.at(2).Size, 1);
    EXPECT_EQ(odd.at(2).Modified, 100);
    EXPECT_EQ(odd.at(2).Sha256, QByteArray(32, 'y'));
    EXPECT_EQ(odd.TotalBytes(), 2);
}

// The found values follow their entries through removal and reordering.
TEST(CheckScope, FoundValuesFollowTheirEntries)
{
    EntryTable mine, theirs;
    for (const char *n : {"a", "b", "c", "d"}) {
        add(mine, "/x/", n, 1, 100);
        add(theirs, "/x/", n, QByteArray(n)[0] - 'a' + 10, 100);
    }
    Findings found = ListFindings(mine, theirs);
    ApplyCheck(mine, found);
    mine.Reorder({4, 3, 2, 1});
    mine.RemoveEntries({2});
    mine.RemoveEntry(1);
    ASSERT_EQ(mine.EntryCount(), 2);
    EXPECT_EQ(mine.at(1).FileName, "b");
    EXPECT_EQ(mine.found(1).Size, 11);
    EXPECT_EQ(mine.found(2).Size, 10);
    add(mine, "/x/", "e");
    EXPECT_EQ(mine.found(3).Size, 0);
}

// A spreadsheet saved the list in code page 932, which turned "−" into "－"
// and "〜" into "～": the files are the same ones, by their bytes there.
TEST(CheckScope, NamesACodePageChangedStillMatch)
{
    Fixture fx;
    fx.subdir("a\xe2\x88\x92" "b"); // a−b
    fx.file("a\xe2\x88\x92" "b/x\xe3\x80\x9c" "y.txt", "1", 1700000000); // x〜y.txt
    const QByteArray row = QStringLiteral("ファイル名,バイト数,更新日時,ディレクトリ\r\nx\uFF5Ey.txt,1,%1,%2a\uFF0Db/\r\n")
                               .arg(QDateTime::fromSecsSinceEpoch(1700000000).toString("yyyy-MM-dd HH:mm:ss"), fx.path())
                               .toUtf8();
    Fixture out;
    out.file("utf8.csv", "\xEF\xBB\xBF" + row);
    out.file("cp932.csv", toCp932(QString::fromUtf8(row)));
    const ToolOutput asCp932 = listTool({"--check", out.path() + "cp932.csv", fx.path(), "-r"});
    EXPECT_EQ(asCp932.status, 0) << asCp932.out.constData() << asCp932.err.constData();
    // Written as UTF-8 the names are what they say: another file.
    const ToolOutput asUtf8 = listTool({"--check", out.path() + "utf8.csv", fx.path(), "-r"});
    EXPECT_TRUE(asUtf8.err.endsWith("missing 1, new 1, unreadable 0\n")) << asUtf8.err.constData();

    // Both spellings on disk, files and folders: the one recorded matches,
    // the other is new; neither is lost.
    Fixture twins;
    twins.file("a\xef\xbc\x8d" "b.txt", "1", 1700000000); // a－b.txt, as recorded
    twins.file("a\xe2\x88\x92" "b.txt", "22", 1700000000); // a−b.txt
    twins.subdir("d\xef\xbc\x8d" "e");
    twins.subdir("d\xe2\x88\x92" "e");
    twins.file("d\xef\xbc\x8d" "e/f.txt", "1", 1700000000);
    twins.file("d\xe2\x88\x92" "e/f.txt", "1", 1700000000);
    const QString time = QDateTime::fromSecsSinceEpoch(1700000000).toString("yyyy-MM-dd HH:mm:ss");
    out.file("twins.csv", toCp932(QStringLiteral("ファイル名,バイト数,更新日時,ディレクトリ\r\n"
                                                 "a\uFF0Db.txt,1,%1,%2\r\nf.txt,1,%1,%2d\uFF0De/\r\n")
                                      .arg(time, twins.path())));
    for (int run = 0; run < 2; ++run) {
        const ToolOutput r = listTool({"--check", out.path() + "twins.csv", twins.path(), "-r"});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(reported(r.out), (QStringList{twins.path() + QStringLiteral("a\u2212b.txt=new"),
                                                twins.path() + QStringLiteral("d\u2212e/f.txt=new")}))
            << r.out.constData();
        EXPECT_TRUE(r.err.endsWith("same 2, changed 0, content 0, missing 0, new 2, unreadable 0\n")) << r.err.constData();
    }
}

// Two files the code page turns into the same bytes, neither spelled as
// recorded: one takes the recorded name, the other is new, and no other
// recorded name (files since deleted) is taken by either.
TEST(CheckScope, CodePageTwinsNeverTakeAnotherRecordedName)
{
    Fixture fx;
    fx.file("caf\xc3\xa9.txt", "1", 1700000000); // café.txt
    fx.file("caf\xc3\xa8.txt", "1", 1700000000); // cafè.txt
    EntryTable table;
    add(table, fx.path(), QStringLiteral("caf?.txt"), 1, 1700000000); // as the code page wrote it
    for (int i = 0; i < 200; ++i)
        add(table, fx.path(), QStringLiteral("gone%1.txt").arg(i), 1, 1700000000);
    for (int run = 0; run < 2; ++run) {
        DiskCheck check = PrepareDiskCheck(table, CheckScope(QStringList{fx.path()}, false));
        check.cp932Names = true;
        RunDiskCheck(check, std::atomic<bool>{false});
        const Findings f = DiskFindings(check);
        ASSERT_EQ(f.found.size(), 201u);
        EXPECT_EQ(f.found[0].kind, FoundFile::Present);
        for (size_t k = 1; k < f.found.size(); ++k)
            EXPECT_EQ(f.found[k].kind, FoundFile::Missing) << k;
        ASSERT_EQ(f.added.size(), 1u);
        EXPECT_EQ(f.added[0].files.size(), 1u);
    }
}

} // namespace
} // namespace qn

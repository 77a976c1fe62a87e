// quilnaver-list: the list file (or the CSV) of files and folders named on
// the command line, written by the same code as the window's, without a
// display.
#include "cli/CatalogueCli.h"
#include "list/Check.h"
#include "list/DirectoryAdd.h"
#include "list/Hashing.h"
#include "list/EntryTable.h"
#include "output/CsvFile.h"
#include "output/CsvReader.h"
#include "output/HtmlSnapshot.h"
#include "output/ListFile.h"
#include "output/ListTitle.h"
#ifdef QUILNAVER_OFFICE
#include "layout/PageLayout.h"
#include "output/XlsxFile.h"

#include <QDateTime>
#include <QGuiApplication>
#endif
#include "output/Sha256Sums.h"
#include "platform/FileSystem.h"
#include "platform/SafeWrite.h"
#include "platform/TreeWalk.h"
#include "platform/Utf8.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <memory>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#endif

namespace {

using namespace qn;

// The exit status. A check answers as diff does: 0 when everything matched,
// 1 when something differs.
enum Status { Listed = 0, SomethingSkipped = 1, UsageError = 2 };
enum CheckStatus { Matched = 0, Differs = 1 };

const char *const Description =
    "Writes a list of files as Quilnaver does: the list file (code page 932, CR LF,\n"
    "sizes in the chosen unit) or a UTF-8 CSV. Each PATH is a file, added as one\n"
    "file, or a directory, whose ordinary files are added (hidden files are left\n"
    "out); with --recursive all its subdirectories too. Entries come in argument\n"
    "order; a file named twice is listed once. --include, --exclude and\n"
    "--exclude-dir take patterns of names (*, ?, [...], any case; several may be\n"
    "given, also separated by ';') that choose the files of directories and the\n"
    "subdirectories entered; a file named as a PATH is always listed.\n"
    "\n"
    "With --from-csv, the rows of a CSV it wrote (or a spreadsheet saved again)\n"
    "are listed with their recorded sizes and times, without the disk.\n"
    "--sha256 adds each file's SHA-256 to the CSV; --sha256sums writes a manifest\n"
    "that sha256sum -c can check.\n"
    "\n"
    "--check LIST [-r] [filter options] [PATH...] checks a saved list against the\n"
    "disk: each PATH is a folder of the scope walked for files the list lacks\n"
    "(with -r its subdirectories too, as a tree add with the filter given takes\n"
    "them); without PATH, the folder that holds every listed directory, printed\n"
    "on standard error as 'scope: PATH' lines. One line for each entry that\n"
    "differs (changed, content when the digest no longer matches, missing, new,\n"
    "unreadable), a tab and its path, to standard output or -o FILE; the last\n"
    "line on standard error counts them: same N, changed N, content N, missing N,\n"
    "new N, unreadable N. With --against OTHER, against another saved list\n"
    "instead (no PATH, -r or filter).\n"
    "\n"
    "With --catalog FILE, --add-volume NAME stores the list as the volume NAME\n"
    "of that catalogue (made when new; a volume of that name is replaced),\n"
    "--find PATTERN prints each catalogued file whose name holds PATTERN (or\n"
    "matches it, with * and ?), any case and width, as its volume, a tab and\n"
    "its path (1 when nothing matched), and --volumes prints the volumes.\n"
    "\n"
    "Exit status: 0 when everything was listed (with --check: everything\n"
    "matched), 1 when something could not be read (each such path is named on\n"
    "standard error), the output could not be written, or (with --check)\n"
    "anything differed, 2 for a usage error or a CSV that cannot be read (with\n"
    "--check: also a scope folder that cannot be opened or a report that cannot\n"
    "be written).";

void say(const QByteArray &line)
{
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fputc('\n', stderr);
}

// Text for the terminal: a name holding ESC or a line break must not move
// the cursor or fake a line. Control characters (C0 and C1), bytes that are
// not UTF-8 are written as escapes (\n, \x1b, \xff); everything else,
// the separators of every platform included, as it is.
QByteArray escaped(const QByteArray &text)
{
    QByteArray out;
    out.reserve(text.size());
    const auto hex = [&out](unsigned char b) {
        static const char digits[] = "0123456789abcdef";
        out += "\\x";
        out += digits[b >> 4];
        out += digits[b & 15];
    };
    for (qsizetype i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b == '\n' || b == '\t' || b == '\r') {
            out += b == '\n' ? "\\n" : b == '\t' ? "\\t" : "\\r";
            ++i;
            continue;
        }
        if (b < 0x20 || b == 0x7F) {
            hex(b);
            ++i;
            continue;
        }
        if (b < 0x80) {
            out += char(b);
            ++i;
            continue;
        }
        // A whole UTF-8 sequence of a printable character passes; C1
        // controls (U+0080..U+009F), U+FEFF (invisible) and stray bytes do
        // not.
        const auto *p = reinterpret_cast<const unsigned char *>(text.constData()) + i;
        char32_t cp = 0;
        const int n = utf8Sequence(p, p + (text.size() - i), cp);
        if (n > 0 && cp >= 0xA0 && cp != 0xFEFF) {
            out.append(text.constData() + i, n);
            i += n;
        } else {
            hex(b);
            ++i;
        }
    }
    return out;
}

QByteArray shown(const QString &path)
{
    return escaped(encodeName(nativePath(path)));
}

int usage(const QString &problem)
{
    say("quilnaver-list: " + problem.toLocal8Bit());
    say("Try 'quilnaver-list --help' for more information.");
    return UsageError;
}

// An absolute, clean path; the bytes of every name stay as they were, those
// of the current directory's too.
QString absolute(const QString &path)
{
    const QString full = QDir::isAbsolutePath(path) ? path : currentDirectory() + QLatin1Char('/') + path;
    return fromNativePath(QDir::cleanPath(full));
}

// Adds one argument to the table; false when some of it could not be read.
bool add(EntryTable &table, const QString &argument, bool recursive, const NameFilter &filter)
{
    const QString path = absolute(argument);
    if (isDirectory(path)) {
        const std::atomic<bool> never{false};
        TreeWalkReport report = walkTree(path, never, {}, 0, recursive, filter);
        AppendTree(table, report);
        for (const QString &skipped : std::as_const(report.skipped))
            say("quilnaver-list: cannot read " + shown(skipped));
        return report.skipped.isEmpty();
    }
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (table.AppendEntry(path.left(slash + 1), path.mid(slash + 1)) == AppendResult::Failed) {
        say("quilnaver-list: cannot read " + shown(argument) + ": no such ordinary file or directory");
        return false;
    }
    return true;
}

bool writeOut(const QByteArray &bytes, const QString &output)
{
    if (output.isEmpty()) {
        return std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size())
               && std::fflush(stdout) == 0;
    }
    // A device or a pipe (/dev/null, a fifo) is written as it is; a file
    // through the safe write, so a failure leaves the old one whole.
    if (QFile::exists(output) && !isRegularFile(output) && !isDirectory(output)) {
        QFile device(output);
        return device.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && device.write(bytes) == bytes.size();
    }
    return saveBytes(output, bytes);
}

// The HTML page, made now.
QByteArray htmlPage(const EntryTable &table, int sizeUnit, const QString &title)
{
    return HtmlSnapshotText(table, {title, sizeUnit, QDateTime::currentSecsSinceEpoch()});
}

// A saved list into table; false, after saying why, when it cannot be read
// whole. Rows it had to leave out (the total would pass its limit) are
// named, and *complete becomes false.
bool readList(EntryTable &table, const QString &argument, bool *complete = nullptr, bool *fromCp932 = nullptr)
{
    const QString path = absolute(argument);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        say("quilnaver-list: cannot read " + shown(argument));
        return false;
    }
    const std::atomic<bool> never{false};
    CsvReadResult read = readListCsv(file, never);
    switch (read.status) {
    case CsvReadResult::Read:
        break;
    case CsvReadResult::NotAList:
        say("quilnaver-list: " + shown(argument) + ": not a list CSV (no ファイル名, バイト数, 更新日時 and ディレクトリ titles)");
        return false;
    case CsvReadResult::BadLine:
        say("quilnaver-list: " + shown(argument) + ": line " + QByteArray::number(read.line) + " cannot be read");
        return false;
    case CsvReadResult::TooManyRows:
        say("quilnaver-list: " + shown(argument) + ": more rows than the " + QByteArray::number(CsvReadLimits().rows)
            + " a list can be read with");
        return false;
    case CsvReadResult::Unreadable:
    case CsvReadResult::Cancelled:
        say("quilnaver-list: cannot read " + shown(argument));
        return false;
    }
    if (fromCp932)
        *fromCp932 = read.list.cp932;
    const CsvAppendReport appended = AppendCsvList(table, read.list);
    for (const QString &refused : appended.refused)
        say("quilnaver-list: not listed, the total size would pass its limit: " + shown(refused));
    if (complete && !appended.refused.isEmpty())
        *complete = false;
    return true;
}

void sayReplaced(const ReplacedNames &replaced, const char *what)
{
    if (replaced.count == 0)
        return;
    const QByteArray names = replaced.count == 1 ? " name held " : " names held ";
    say("quilnaver-list: " + QByteArray::number(replaced.count) + names + what);
    for (const QString &name : std::as_const(replaced.first))
        say("  " + escaped(name.toUtf8()));
}

#ifdef QUILNAVER_OFFICE
const QString DocumentFormats = QStringLiteral(", 'xlsx', 'pdf'");

bool isDocument(const QString &kind)
{
    return kind == QLatin1String("xlsx") || kind == QLatin1String("pdf");
}

// The workbook, or the pages as a PDF (fonts need a QGuiApplication, started
// here on the offscreen platform, so no display is needed; Windows' own
// platform needs none and brings the system's fonts).
bool writeDocument(std::unique_ptr<QCoreApplication> &app, int &argc, char *argv[], const QString &kind,
                   const EntryTable &table, const QString &target, int unit, const QString &title,
                   ReplacedNames *replaced)
{
    if (kind == QLatin1String("xlsx"))
        return saveXlsxFile(target, table, {}, replaced) == XlsxResult::Written;
    app.reset();
#ifndef Q_OS_WIN
    qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    QGuiApplication gui(argc, argv);
    PageOptions options;
    options.title = title;
    options.printedAt = QDateTime::currentDateTime().toString(QStringLiteral("yyyy/MM/dd HH:mm"));
    options.unit = unit;
    return savePdfFile(target, table, options) == PdfResult::Written;
}
#else
const QString DocumentFormats;

bool isDocument(const QString &)
{
    return false;
}

bool writeDocument(std::unique_ptr<QCoreApplication> &, int &, char *[], const QString &, const EntryTable &,
                   const QString &, int, const QString &, ReplacedNames *)
{
    return false;
}
#endif

// --check: the scope on standard error, each entry that is not the same in
// the report, the counts last. 0 when everything matched, 1 when something
// differs, 2 when the check could not be done (as diff).
int check(const QString &list, const QString &against, const QStringList &paths, bool recursive,
          const NameFilter &filter, const QString &output)
{
    EntryTable table;
    bool fromCp932 = false;
    if (!readList(table, list, nullptr, &fromCp932))
        return UsageError;
    // The rows an earlier check added, saved with the list, are no part of
    // the record, and its states go: the check starts from the record alone.
    table.RemoveEntries(NewRows(table));
    table.ClearCheck();
    Findings findings;
    bool failed = false;
    if (against.isEmpty()) {
        // The PATHs given, each with its subdirectories with -r; else what
        // the window proposes (every folder with its subdirectories with -r).
        CheckScope scope = paths.isEmpty() ? ProposedScope(table) : CheckScope();
        for (const QString &path : paths) {
            const QString folder = absolute(path);
            scope.folders.push_back(
                ScopeFolder{folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/'), recursive});
        }
        for (ScopeFolder &folder : scope.folders)
            folder.subdirectories = folder.subdirectories || recursive;
        // The default is shown: the user did not name it.
        for (const ScopeFolder &folder : scope.folders) {
            if (paths.isEmpty())
                say("scope: " + shown(folder.path));
        }
        DiskCheck disk = PrepareDiskCheck(table, scope, filter);
        disk.cp932Names = fromCp932;
        const std::atomic<bool> never{false};
        RunDiskCheck(disk, never);
        for (const QString &folder : std::as_const(disk.scopeFailed))
            say("quilnaver-list: cannot open " + shown(folder));
        failed = !disk.scopeFailed.isEmpty();
        findings = DiskFindings(disk);
    } else {
        EntryTable other;
        if (!readList(other, against))
            return UsageError;
        findings = ListFindings(table, other);
    }
    const QStringList unreadable = findings.unreadable;
    const CheckCounts counts = ApplyCheck(table, findings);
    QByteArray report;
    for (int i = 1; i <= table.EntryCount(); ++i) {
        const ListEntry &e = table.at(i);
        if (e.State != CheckState::None && e.State != CheckState::Same)
            report += stateWord(e.State) + QByteArray("\t") + shown(e.Directory + e.FileName) + "\n";
    }
    for (const QString &folder : unreadable)
        report += stateWord(CheckState::Unreadable) + QByteArray("\t") + shown(folder) + "\n";
    const QString target = output.isEmpty() ? QString() : absolute(output);
    if (!writeOut(report, target)) {
        say("quilnaver-list: cannot write " + (target.isEmpty() ? QByteArray("standard output") : shown(target)));
        failed = true;
    }
    const auto count = [](CheckState state, qint64 n) { return stateWord(state) + (" " + QByteArray::number(n)); };
    say(count(CheckState::Same, counts.same) + ", " + count(CheckState::Changed, counts.changed) + ", "
        + count(CheckState::ContentChanged, counts.contentChanged) + ", " + count(CheckState::Missing, counts.missing)
        + ", " + count(CheckState::New, counts.added) + ", " + count(CheckState::Unreadable, counts.unreadable));
    if (failed)
        return UsageError;
    return counts.differing() == 0 ? Matched : Differs;
}

} // namespace

int main(int argc, char *argv[])
{
#ifdef Q_OS_WIN
    // Lists, CSVs and manifests are bytes: a redirected standard output gets
    // the same bytes as -o, not every LF turned into CR LF.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    // A PDF needs fonts, so its writer trades this for a QGuiApplication.
    auto app = std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quilnaver-list"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0.0"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(Description));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption recursive({QStringLiteral("r"), QStringLiteral("recursive")},
                                       QStringLiteral("Add the files of all subdirectories of each directory too."));
    const QCommandLineOption unit({QStringLiteral("u"), QStringLiteral("unit")},
                                  QStringLiteral("Size unit of the list file: 0 bytes, 1 kilobytes, 2 kilobytes and "
                                                 "megabytes, 3 mixed (default). Units are decimal."),
                                  QStringLiteral("0-3"), QStringLiteral("3"));
    const QCommandLineOption format({QStringLiteral("f"), QStringLiteral("format")},
                                    QStringLiteral("'list' (default): the list file; 'csv': UTF-8 CSV with the exact "
                                                   "size in bytes, the time, the directory and the path; 'xlsx': "
                                                   "an Excel workbook of the same rows with typed cells; 'pdf': the "
                                                   "list as A4 pages; 'html': one page with the folder tree, folder "
                                                   "totals and a search, for any browser. xlsx and pdf need -o FILE."),
                                    QStringLiteral("list|csv|xlsx|pdf|html"), QStringLiteral("list"));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("Write to FILE (replaced only when all of it is written) instead "
                                                   "of standard output."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption fromCsv(QStringLiteral("from-csv"),
                                     QStringLiteral("List the rows of FILE, a CSV of a list, as recorded (may repeat)."),
                                     QStringLiteral("FILE"));
    const QCommandLineOption checkList(QStringLiteral("check"),
                                       QStringLiteral("Check LIST, a CSV of a list, against the disk; print what differs."),
                                       QStringLiteral("LIST"));
    const QCommandLineOption against(QStringLiteral("against"),
                                     QStringLiteral("With --check: against OTHER, another CSV of a list, not the disk."),
                                     QStringLiteral("OTHER"));
    const QCommandLineOption sha256(QStringLiteral("sha256"),
                                    QStringLiteral("Compute each file's SHA-256, for the CSV's SHA-256 column."));
    const QCommandLineOption sha256sums(QStringLiteral("sha256sums"),
                                        QStringLiteral("Write a manifest sha256sum -c can check instead of a list "
                                                       "(paths relative to the current directory where they lie below it)."));
    const QCommandLineOption include(QStringLiteral("include"),
                                     QStringLiteral("Add only the files of directories whose names match PATTERN "
                                                    "(may repeat)."),
                                     QStringLiteral("PATTERN"));
    const QCommandLineOption exclude(QStringLiteral("exclude"),
                                     QStringLiteral("Leave out the files whose names match PATTERN (may repeat)."),
                                     QStringLiteral("PATTERN"));
    const QCommandLineOption excludeDir(QStringLiteral("exclude-dir"),
                                        QStringLiteral("With --recursive: do not enter directories whose names "
                                                       "match PATTERN (may repeat)."),
                                        QStringLiteral("PATTERN"));
    const QCommandLineOption hidden(QStringLiteral("hidden"),
                                    QStringLiteral("Add hidden files too and enter hidden directories."));
    parser.addOptions({recursive, unit, format, output, fromCsv, checkList, against, sha256, sha256sums, include,
                       exclude, excludeDir, hidden});
    const QCommandLineOption catalog(QStringLiteral("catalog"), QStringLiteral("The catalogue FILE (*.qncat)."),
                                     QStringLiteral("FILE"));
    const QCommandLineOption addVolume(QStringLiteral("add-volume"),
                                       QStringLiteral("With --catalog: store the list as the volume NAME."),
                                       QStringLiteral("NAME"));
    const QCommandLineOption find(QStringLiteral("find"),
                                  QStringLiteral("With --catalog: print the catalogued files matching PATTERN."),
                                  QStringLiteral("PATTERN"));
    const QCommandLineOption volume(QStringLiteral("volume"), QStringLiteral("With --find: search volume NAME only."),
                                    QStringLiteral("NAME"));
    const QCommandLineOption volumes(QStringLiteral("volumes"), QStringLiteral("With --catalog: print the volumes."));
    parser.addOptions({catalog, addVolume, find, volume, volumes});
    parser.addPositionalArgument(QStringLiteral("PATH"), QStringLiteral("Files and directories to list."),
                                 QStringLiteral("PATH..."));

    if (!parser.parse(commandLineArguments(argc, argv)))
        return usage(parser.errorText());
    if (parser.isSet(help)) {
        std::fputs(parser.helpText().toLocal8Bit().constData(), stdout);
        return Listed;
    }
    if (parser.isSet(version)) {
        std::printf("quilnaver-list 1.0.0\n");
        return Listed;
    }
    bool isNumber = false;
    const int sizeUnit = parser.value(unit).toInt(&isNumber);
    if (!isNumber || sizeUnit < 0 || sizeUnit > 3)
        return usage(QStringLiteral("the unit must be 0, 1, 2 or 3, not '%1'").arg(parser.value(unit)));
    const QString kind = parser.value(format);
    if (kind != QLatin1String("list") && kind != QLatin1String("csv") && kind != QLatin1String("html")
        && !isDocument(kind))
        return usage(QStringLiteral("the format must be 'list', 'csv'%2 or 'html', not '%1'").arg(kind, DocumentFormats));
    // A workbook or a PDF is no text for a terminal or a pipe.
    if (isDocument(kind)
        && (!parser.isSet(output)
            || (QFile::exists(absolute(parser.value(output))) && !isRegularFile(absolute(parser.value(output))))))
        return usage(QStringLiteral("-f %1 writes to a file: give it with -o FILE").arg(kind));
    const QStringList paths = parser.positionalArguments();
    if (parser.isSet(catalog) != (parser.isSet(addVolume) || parser.isSet(find) || parser.isSet(volumes))
        || int(parser.isSet(addVolume)) + int(parser.isSet(find)) + int(parser.isSet(volumes)) > 1
        || (parser.isSet(volume) && !parser.isSet(find)))
        return usage(QStringLiteral("--catalog goes with one of --add-volume, --find (with --volume) and --volumes"));
    if (parser.isSet(find) || parser.isSet(volumes)) {
        if (!paths.isEmpty())
            return usage(QStringLiteral("--find and --volumes take no PATH"));
        return parser.isSet(find) ? findInCatalogue(absolute(parser.value(catalog)), parser.value(find),
                                                    parser.value(volume), escaped)
                                  : listCatalogueVolumes(absolute(parser.value(catalog)), escaped);
    }
    FilterPatterns patterns;
    patterns.include = parser.values(include).join(QLatin1Char(';'));
    patterns.exclude = parser.values(exclude).join(QLatin1Char(';'));
    patterns.excludeDirectories = parser.values(excludeDir).join(QLatin1Char(';'));
    patterns.hidden = parser.isSet(hidden);
    const NameFilter filter(patterns);
    const bool filtered = parser.isSet(include) || parser.isSet(exclude) || parser.isSet(excludeDir) || parser.isSet(hidden);

    if (parser.isSet(checkList)) {
        // A check writes a report: what makes or reads lists has no place here.
        for (const QCommandLineOption *option : {&unit, &format, &fromCsv, &sha256, &sha256sums}) {
            if (parser.isSet(*option))
                return usage(QStringLiteral("--check does not take --%1").arg(option->names().constLast()));
        }
        if (parser.isSet(against)) {
            // Another list has no scope to walk.
            if (!paths.isEmpty() || parser.isSet(recursive) || filtered)
                return usage(QStringLiteral("--against takes no PATH, --recursive or filter"));
            return check(parser.value(checkList), parser.value(against), {}, false, filter, parser.value(output));
        }
        return check(parser.value(checkList), QString(), paths, parser.isSet(recursive), filter, parser.value(output));
    }
    if (parser.isSet(against))
        return usage(QStringLiteral("--against goes with --check"));
    if (paths.isEmpty() && !parser.isSet(fromCsv))
        return usage(QStringLiteral("no PATH given"));

    EntryTable table;
    bool everything = true;
    for (const QString &csvFile : parser.values(fromCsv)) {
        if (!readList(table, csvFile, &everything))
            return UsageError;
    }
    for (const QString &path : paths)
        everything = add(table, path, parser.isSet(recursive), filter) && everything;

    const QString target = parser.isSet(output) ? absolute(parser.value(output)) : QString();
    // The file being written is no file of the list: its digest would be
    // stale the moment it is written.
    QString written = target;
    if (parser.isSet(sha256) || parser.isSet(sha256sums)) {
        std::vector<int> entries;
        for (int i = 1; i <= table.EntryCount(); ++i) {
            const QString path = table.at(i).Directory + table.at(i).FileName;
            if (target.isEmpty() && written.isEmpty() && isStandardOutput(path))
                written = path;
            else if (written.isEmpty() || !isSamePath(path, written))
                entries.push_back(i);
        }
        HashJob job;
        if (!entries.empty())
            PrepareHashJob(table, job, entries);
        const std::atomic<bool> never{false};
        RunHashJob(job, never);
        for (const QString &path : ApplyHashJob(table, job)) {
            say("quilnaver-list: cannot read " + shown(path));
            everything = false;
        }
    }
    if (parser.isSet(addVolume)) {
        const int stored = addToCatalogue(absolute(parser.value(catalog)), parser.value(addVolume), table, escaped);
        return stored != Listed ? stored : everything ? Listed : SomethingSkipped;
    }
    ReplacedNames replaced;
    // The title of pages and workbooks, as the window gives it: the (first)
    // CSV the list was read from, else "リスト".
    const QStringList csvFiles = parser.values(fromCsv);
    const QString title = csvFiles.isEmpty() ? defaultListTitle() : QFileInfo(csvFiles.first()).completeBaseName();
    if (isDocument(kind)) {
        const bool written = writeDocument(app, argc, argv, kind, table, target, sizeUnit, title, &replaced);
        if (!written) {
            say("quilnaver-list: cannot write " + shown(target));
            return SomethingSkipped;
        }
        sayReplaced(replaced, "bytes that are not UTF-8, written as U+FFFD:");
        return everything ? Listed : SomethingSkipped;
    }
    const bool csv = kind == QLatin1String("csv");
    qint64 withoutDigest = 0;
    const bool html = kind == QLatin1String("html") && !parser.isSet(sha256sums);
    const QByteArray bytes = parser.isSet(sha256sums) ? Sha256SumsText(table, currentDirectory(), written, &withoutDigest)
                             : csv                    ? CsvFileText(table, &replaced)
                             : html                   ? htmlPage(table, sizeUnit, title)
                                                      : ListFileText(table, sizeUnit, &replaced);
    // A page is never empty: empty means it could not be made.
    if ((html && bytes.isEmpty()) || !writeOut(bytes, target)) {
        say("quilnaver-list: cannot write " + (target.isEmpty() ? QByteArray("standard output") : shown(target)));
        return SomethingSkipped;
    }
    if (withoutDigest > 0) {
        say("quilnaver-list: " + QByteArray::number(withoutDigest)
            + (withoutDigest == 1 ? " file has no SHA-256 and is not in the manifest"
                                  : " files have no SHA-256 and are not in the manifest"));
    }
    sayReplaced(replaced, csv ? "bytes that are not UTF-8, written as U+FFFD:"
                              : "characters the list file cannot hold, written as \"?\":");
    return everything ? Listed : SomethingSkipped;
}

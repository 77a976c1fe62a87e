#include "ui/ListCommands.h"

#include "list/Check.h"
#include "list/DirectoryAdd.h"
#include "list/Hashing.h"
#include "list/EntryTable.h"
#include "list/Progress.h"
#include "output/CsvFile.h"
#include "output/CsvReader.h"
#include "output/GridTitles.h"
#include "output/ListFile.h"
#include "output/ListTitle.h"
#include "output/Sha256Sums.h"
#include "output/SizeFormat.h"
#include "platform/FileSystem.h"
#include "platform/SafeWrite.h"
#include "settings/Settings.h"
#include "ui/DirList.h"
#include "ui/EntryModel.h"
#include "ui/FileList.h"
#include "ui/Messages.h"
#include "ui/Services.h"
#include "ui/WorkProgress.h"

#include <QAction>
#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QFile>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QTableView>

#include <memory>

namespace qn {

namespace {

const QString NoFile = QStringLiteral("ファイルが存在しません。");
const QString Done = QStringLiteral("完了！！");
const QString EmptyListCannotDelete = QStringLiteral("ファイルがリストにありません。\r削除できません。");
const QString ConfirmDelete = QStringLiteral("ファイルをリストから削除します。\rよろしいですか？");
const QString ConfirmDeleteMany = QStringLiteral("選択した %1 件のファイルをリストから削除します。\rよろしいですか？");
const QString ConfirmDeleteTitle = QStringLiteral("リストからファイルを削除");
const QString ConfirmNewList =
    QStringLiteral("新規リストを作成します。\rデータは、すべて消去されます。\rよろしいですか？");
const QString ConfirmNewListTitle = QStringLiteral("新規リストの作成");
const QString ConfirmOverwrite = QStringLiteral("同じファイル名が存在します。\r上書きしてもよろしいですか？");
const QString ConfirmOverwriteTitle = QStringLiteral("ファイル上書きの確認");
const QString ChangeSettings = QStringLiteral("オプションで設定を変更してください。");
const QString ListFailed = QStringLiteral("リストを作成できませんでした。");
const QString AddTree = QStringLiteral("サブディレクトリを含めて追加");
constexpr qsizetype SkippedShown = 5; // paths named in the message
const QString SkippedSome = QStringLiteral("読み込めなかったディレクトリ・ファイルが %1 件ありました。");
const QString SomeReplaced =
    QStringLiteral("%1 件のファイル名に、リストファイルに書けない文字がありました。「?」に置き換えています。");
const QString SomeReplacedInCsv =
    QStringLiteral("%1 件のファイル名に、CSVファイルに書けない文字がありました。「\uFFFD」に置き換えています。");
const QString MoreReplaced = QStringLiteral("ほか %1 件");
const QString Arrow = QStringLiteral(" → ");
const QString SaveCsv = QStringLiteral("CSVで保存...");
const QString SaveCsvTitle = QStringLiteral("CSVで保存");
const QString CsvFilter = QStringLiteral("*.csv");
const QString CsvFileName = QStringLiteral("list.csv");
const QString OpenCsv = QStringLiteral("CSVを開く...");
const QString OpenCsvTitle = QStringLiteral("CSVを開く");
const QString CheckDisk = QStringLiteral("ディスクと照合");
const QString CheckList = QStringLiteral("リストと照合...");
const QString CheckListTitle = QStringLiteral("リストと照合");
const QString NotAListCsv = QStringLiteral("このファイルはリストのCSVではありません。");
const QString BadCsvLine = QStringLiteral("%1 行目を読み込めませんでした。");
const QString TooManyCsvRows = QStringLiteral("CSVの行数が多すぎます。読み込めるのは %1 行までです。");
const QString CsvReadFailed = QStringLiteral("CSVを読み込めませんでした。");
const QString CsvRowsRead = QStringLiteral("%1 件を読み込みました。");
const QString CsvRowsAlreadyListed = QStringLiteral("リストにすでにあった %1 件は追加していません。");
const QString CsvRowsPastTotal =
    QStringLiteral("合計バイト数が上限を超えるため、%1 件のファイルを追加できませんでした。");
const QString CheckFinished = QStringLiteral("照合が終わりました。");
const QString CheckPart = QStringLiteral("%1 %2 件");
const QString CheckPartSeparator = QStringLiteral("、");
const QString ComputeSha256 = QStringLiteral("SHA-256を計算");
const QString HashedCount = QStringLiteral("%1 件のファイルを読みました。");
const QString BytesRead = QStringLiteral("%1 バイト");
const QString SaveSums = QStringLiteral("SHA256SUMSで保存...");
const QString SaveSumsTitle = QStringLiteral("SHA256SUMSで保存");
const QString SumsFileName = QStringLiteral("SHA256SUMS");
const QString NoDigests = QStringLiteral("SHA-256を計算したファイルがありません。");
const QString SomeWithoutDigest = QStringLiteral("SHA-256がないファイルが %1 件あります。");
const QString OpenNewerList = QStringLiteral("照合する新しいリストを開く");
const QString ApplyResult = QStringLiteral("照合結果を反映");
const QString ConfirmApply = QStringLiteral("照合結果をリストに反映します。よろしいですか？");
const QString NoResult = QStringLiteral("照合結果がありません。");
const QString DifferencesOnly = QStringLiteral("差分のみ表示");
const QString ScopeFailed = QStringLiteral("照合の範囲のフォルダーを開けませんでした。");

// Shows the bar's value without repainting it for every file: a directory of
// 100,000 names would otherwise spend its time painting.
class ProgressDisplay {
public:
    explicit ProgressDisplay(QProgressBar *bar)
        : m_bar(bar)
        , m_cycle(bar->minimum(), bar->maximum())
    {
        m_clock.start();
    }
    void start()
    {
        m_cycle.start();
        m_bar->setValue(int(m_cycle.value()));
        m_bar->setVisible(true);
    }
    void step()
    {
        m_cycle.step();
        if ((++m_steps & 63) == 0 && m_clock.elapsed() >= 100) {
            m_bar->setValue(int(m_cycle.value()));
            m_bar->repaint();
            m_clock.restart();
        }
    }
    void finish()
    {
        m_cycle.finish();
        m_bar->setValue(int(m_cycle.value()));
    }
    void hide() { m_bar->setVisible(false); }

private:
    QProgressBar *m_bar;
    ProgressCycle m_cycle;
    QElapsedTimer m_clock;
    unsigned m_steps = 0;
};

} // namespace

QString doneText()
{
    return Done;
}

QString listFailedText()
{
    return ListFailed;
}

QString addTreeCaption()
{
    return AddTree;
}

QString saveCsvCaption()
{
    return SaveCsv;
}

QString openCsvCaption()
{
    return OpenCsv;
}

QString checkDiskCaption()
{
    return CheckDisk;
}

QString checkListCaption()
{
    return CheckList;
}

QString computeSha256Caption()
{
    return ComputeSha256;
}

QString saveSumsCaption()
{
    return SaveSums;
}

QString applyResultCaption()
{
    return ApplyResult;
}

QString differencesOnlyCaption()
{
    return DifferencesOnly;
}

ListCommands::ListCommands(const ListWidgets &widgets, EntryTable &table, EntryModel &model, Settings &settings,
                           const Services &services)
    : m_w(widgets)
    , m_table(table)
    , m_model(model)
    , m_settings(settings)
    , m_messages(*services.messages)
    , m_work(*services.work)
    , m_chooser(*services.chooser)
    , m_scope(services.scope)
{
    // Rows that come, go or move keep the view of differences only.
    const auto refresh = [this] {
        if (m_differencesOnly)
            refreshDifferenceRows();
    };
    m_connections = {QObject::connect(&m_model, &QAbstractItemModel::rowsInserted, m_w.grid, refresh),
                     QObject::connect(&m_model, &QAbstractItemModel::rowsRemoved, m_w.grid, refresh),
                     QObject::connect(&m_model, &QAbstractItemModel::modelReset, m_w.grid, refresh),
                     QObject::connect(&m_model, &QAbstractItemModel::layoutChanged, m_w.grid, refresh)};
}

ListCommands::~ListCommands()
{
    for (const QMetaObject::Connection &c : m_connections)
        QObject::disconnect(c);
}

QString ListCommands::CurrentDirPrefix() const
{
    return withTrailingSeparator(m_w.dir->path());
}

int ListCommands::currentRow() const
{
    const QModelIndex current = m_w.grid->currentIndex();
    return current.isValid() ? current.row() + 1 : 1;
}

void ListCommands::AddSelectedFile()
{
    const QString name = m_w.file->fileName();
    const QString directory = CurrentDirPrefix();
    if (m_table.AppendEntry(directory, name) == AppendResult::Failed) {
        m_messages.inform(NoFile);
        return;
    }
    m_model.showAppended();
    UpdateStatusTotals();
}

void ListCommands::AddDirectoryFiles()
{
    // Rows enter the grid in one batch at the end; nothing is painted per row.
    m_w.grid->setUpdatesEnabled(false);
    const QString directory = CurrentDirPrefix();
    ProgressDisplay progress(m_w.progress);
    progress.start();

    DirScanner scan(directory, m_filter);
    const bool failed = !AppendDirectory(m_table, directory, scan, [&progress] { progress.step(); });
    m_table.RememberFolder(directory, false);

    m_model.showAppended();
    m_w.grid->setUpdatesEnabled(true);
    if (failed) {
        progress.hide();
        UpdateStatusTotals();
        m_messages.inform(NoFile);
        return;
    }
    UpdateStatusTotals();
    progress.finish();
    m_messages.inform(Done);
    progress.hide();
}

void ListCommands::AddDirectoryTree()
{
    const QString root = CurrentDirPrefix();
    const auto walked = std::make_shared<TreeWalkReport>();
    const NameFilter filter = m_filter;
    const bool finished = m_work.run(m_w.grid->window(), AddTree,
                                     [root, walked, filter](const std::atomic<bool> &cancel,
                                                            const TreeWalkProgress &progress) {
                                         *walked = walkTree(root, cancel, progress, 0, true, filter);
                                     });
    if (!finished)
        return;
    TreeWalkReport &report = *walked;

    // The whole tree enters the list here, in one batch and one insert.
    AppendTree(m_table, report, true);
    m_table.RememberFolder(root, true);
    m_model.showAppended();
    UpdateStatusTotals();
    m_messages.inform(report.fileCount > 0 ? Done : NoFile);
    reportSkipped(report.skipped);
}

void ListCommands::AddDroppedPaths(const QStringList &paths)
{
    bool allIn = true;
    bool anyDirectory = false;
    ProgressDisplay progress(m_w.progress);
    m_w.grid->setUpdatesEnabled(false);
    for (const QString &path : paths) {
        if (isDirectory(path)) {
            if (!anyDirectory)
                progress.start();
            anyDirectory = true;
            const QString directory = withTrailingSeparator(path);
            DirScanner scan(directory, m_filter);
            allIn = AppendDirectory(m_table, directory, scan, [&progress] { progress.step(); }) && allIn;
            m_table.RememberFolder(directory, false);
        } else {
            const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
            const AppendResult result = m_table.AppendEntry(path.left(slash + 1), path.mid(slash + 1));
            allIn = result != AppendResult::Failed && allIn;
        }
    }
    m_model.showAppended();
    m_w.grid->setUpdatesEnabled(true);
    UpdateStatusTotals();
    if (anyDirectory)
        progress.finish();
    m_messages.inform(allIn ? Done : NoFile);
    progress.hide();
}

std::vector<int> ListCommands::selectedEntries() const
{
    std::vector<int> entries;
    if (m_table.EntryCount() == 0)
        return entries;
    for (const QItemSelectionRange &range : m_w.grid->selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            entries.push_back(row + 1);
    }
    std::sort(entries.begin(), entries.end());
    entries.erase(std::unique(entries.begin(), entries.end()), entries.end());
    if (entries.empty())
        entries.push_back(currentRow());
    return entries;
}

void ListCommands::DeleteSelectedEntry()
{
    if (m_table.EntryCount() == 0) {
        m_messages.inform(EmptyListCannotDelete);
        return;
    }
    const std::vector<int> entries = selectedEntries();
    if (entries.size() == 1) {
        if (!m_messages.confirm(ConfirmDelete, ConfirmDeleteTitle))
            return;
        m_model.removeEntry(entries.front());
    } else {
        if (!m_messages.confirm(ConfirmDeleteMany.arg(entries.size()), ConfirmDeleteTitle))
            return;
        m_model.removeEntries(entries);
    }
    UpdateStatusTotals();
    focusRowAfterRemoval(entries.front());
}

void ListCommands::focusRowAfterRemoval(int row)
{
    const int rows = m_table.EntryCount();
    if (rows == 0)
        return;
    const QModelIndex next = m_model.index(std::min(row, rows) - 1, 0);
    m_w.grid->selectionModel()->setCurrentIndex(next, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_w.grid->setFocus();
}

void ListCommands::CopySelectedRows()
{
    if (m_table.EntryCount() == 0)
        return;
    QString text;
    for (int entry : selectedEntries()) {
        for (int column = 0; column < ColCount; ++column) {
            QString cell = m_model.index(entry - 1, column).data().toString();
            // A tab or line break inside a name would break the table apart.
            for (QChar &c : cell) {
                if (c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
                    c = QLatin1Char(' ');
            }
            text += cell;
            text += column + 1 < ColCount ? QLatin1Char('\t') : QLatin1Char('\n');
        }
    }
    QGuiApplication::clipboard()->setText(text);
}

void ListCommands::NewList()
{
    if (m_messages.confirm(ConfirmNewList, ConfirmNewListTitle)) {
        setDifferencesOnly(false);
        m_namesFromCp932 = false;
        m_model.clear();
        m_title.clear();
    }
    UpdateStatusTotals();
}

void ListCommands::MakeListFile()
{
    const QString path = m_settings.SaveDirectory + m_settings.SaveFileName;
    if (isRegularFile(path)) {
        if (!m_messages.confirm(ConfirmOverwrite, ConfirmOverwriteTitle)) {
            m_messages.inform(ChangeSettings);
            return;
        }
    } else if (QFileInfo::exists(path)) {
        // A directory, a pipe or a device holds the name: it is no list file
        // and is never replaced.
        m_messages.inform(ListFailed);
        return;
    }
    ReplacedNames replaced;
    if (!saveBytes(path, ListFileText(m_table, m_settings.SizeUnit, &replaced))) {
        m_messages.inform(ListFailed);
        return;
    }
    m_messages.inform(Done);
    reportReplaced(replaced, SomeReplaced);
}

void ListCommands::SaveCsvFile()
{
    const std::optional<QString> path =
        m_chooser.choose(m_w.grid->window(), SaveCsvTitle, m_settings.SaveDirectory, CsvFileName, CsvFilter);
    if (!path || path->isEmpty())
        return;
    ReplacedNames replaced;
    if (!saveBytes(*path, CsvFileText(m_table, &replaced))) {
        m_messages.inform(ListFailed);
        return;
    }
    m_title = QFileInfo(*path).completeBaseName();
    m_messages.inform(Done);
    reportReplaced(replaced, SomeReplacedInCsv);
}

void ListCommands::reportReplaced(const ReplacedNames &replaced, const QString &text)
{
    if (replaced.count == 0)
        return;
    QStringList lines{text.arg(replaced.count)};
    for (qsizetype i = 0; i < replaced.first.size(); ++i) {
        // Beside each name, what the file holds instead, to find its line.
        lines.append(replaced.first[i] == replaced.written[i] ? replaced.first[i]
                                                               : replaced.first[i] + Arrow + replaced.written[i]);
    }
    if (replaced.count > replaced.first.size())
        lines.append(MoreReplaced.arg(replaced.count - replaced.first.size()));
    m_messages.inform(lines.join(QLatin1Char('\r')));
}

QString ListCommands::listTitle() const
{
    return m_title.isEmpty() ? defaultListTitle() : m_title;
}

void ListCommands::UpdateStatusTotals()
{
    UpdateTotalBytesPanel();
    m_w.panel2->setText(QStringLiteral("総ファイル数 ") + QString::number(m_table.EntryCount()));
}

void ListCommands::UpdateTotalBytesPanel()
{
    SizeFormatter formatter;
    const qint64 value = formatter.FormatSize(m_settings.SizeUnit, m_table.TotalBytes());
    m_w.panel1->setText(QStringLiteral("総バイト数 ") + QString::number(value) + QLatin1Char(' ')
                        + formatter.UnitSuffix());
}

namespace {

// A CSV read off the window's thread, in pieces, heeding Cancel; empty when
// the user cancelled. A reader left running after a cancel writes only into
// what it owns, which the window never looks at again.
std::shared_ptr<CsvReadResult> readCsvBehind(WorkProgress &work, QWidget *parent, const QString &title,
                                             const QString &path, bool *readable)
{
    struct Reading {
        bool opened = false;
        CsvReadResult result;
    };
    const auto reading = std::make_shared<Reading>();
    const bool finished =
        work.run(parent, title, [path, reading](const std::atomic<bool> &cancel, const TreeWalkProgress &) {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                return;
            reading->opened = true;
            reading->result = readListCsv(file, cancel);
        });
    if (!finished || reading->result.status == CsvReadResult::Cancelled)
        return nullptr;
    *readable = reading->opened;
    return std::shared_ptr<CsvReadResult>(reading, &reading->result);
}

} // namespace

bool ListCommands::readCsv(const QString &title, const QString &path, CsvList &list)
{
    bool readable = false;
    const std::shared_ptr<CsvReadResult> read = readCsvBehind(m_work, m_w.grid->window(), title, path, &readable);
    if (!read)
        return false;
    if (!readable) {
        m_messages.inform(NoFile);
        return false;
    }
    switch (read->status) {
    case CsvReadResult::Read:
        list = std::move(read->list);
        return true;
    case CsvReadResult::NotAList:
        m_messages.inform(NotAListCsv);
        break;
    case CsvReadResult::BadLine:
        m_messages.inform(BadCsvLine.arg(read->line));
        break;
    case CsvReadResult::TooManyRows:
        m_messages.inform(TooManyCsvRows.arg(QLocale::c().toString(CsvReadLimits().rows)));
        break;
    case CsvReadResult::Unreadable:
    case CsvReadResult::Cancelled:
        m_messages.inform(CsvReadFailed);
        break;
    }
    return false;
}

void ListCommands::OpenCsvFile()
{
    const std::optional<QString> path = chooseToOpen(OpenCsvTitle);
    CsvList list;
    if (!path || !readCsv(OpenCsvTitle, *path, list))
        return;
    // The recorded rows, sizes and times as the file has them, in one batch.
    m_namesFromCp932 = m_namesFromCp932 || list.cp932;
    const bool wasChecked = m_table.IsChecked();
    const CsvAppendReport appended = AppendCsvList(m_table, list);
    // A check saved with the list comes back with it. Where its found values
    // came from is not known: applying it drops the changed files' digests
    // rather than read a disk that may have changed since.
    if (!wasChecked && m_table.IsChecked())
        m_checkedAgainstDisk = false;
    m_title = QFileInfo(*path).completeBaseName();
    m_model.showChecked(); // a SHA-256 column when the file holds digests
    UpdateStatusTotals();
    QString done = CsvRowsRead.arg(appended.added);
    if (appended.alreadyListed > 0)
        done += QLatin1Char('\r') + CsvRowsAlreadyListed.arg(appended.alreadyListed);
    m_messages.inform(done);
    if (!appended.refused.isEmpty()) {
        QStringList lines{CsvRowsPastTotal.arg(appended.refused.size())};
        for (const QString &refused : appended.refused.first(std::min<qsizetype>(appended.refused.size(), SkippedShown)))
            lines.append(displayName(nativePath(refused)));
        m_messages.inform(lines.join(QLatin1Char('\r')));
    }
}

void ListCommands::CheckAgainstDisk()
{
    // The scope is shown every time: what is walked for new files is the
    // user's to see and change.
    CheckScope scope = ProposedScope(m_table);
    if (m_scope && !m_scope->choose(m_w.grid->window(), scope))
        return;
    // Even preparing a million entries is no work for the window's thread:
    // the list stands still behind the progress window meanwhile, and a
    // cancel ends the preparing at once.
    const auto check = std::make_shared<DiskCheck>();
    const EntryTable *table = &m_table;
    const NameFilter filter = m_filter;
    const bool cp932 = m_namesFromCp932;
    const bool finished = m_work.run(
        m_w.grid->window(), CheckDisk,
        [check, table, scope, filter, cp932](const std::atomic<bool> &cancel, const TreeWalkProgress &progress) {
            *check = PrepareDiskCheck(*table, scope, filter, &cancel);
            check->cp932Names = cp932;
            RunDiskCheck(*check, cancel, progress);
        });
    if (!finished)
        return; // the list and its states as they were
    Findings findings = DiskFindings(*check);
    const QStringList unreadable = findings.unreadable;
    m_checkedAgainstDisk = true;
    finishCheck(findings);
    if (!check->scopeFailed.isEmpty()) {
        QStringList lines{ScopeFailed};
        for (const QString &folder : std::as_const(check->scopeFailed))
            lines.append(displayName(nativePath(folder)));
        m_messages.inform(lines.join(QLatin1Char('\r')));
    }
    reportSkipped(unreadable);
}

void ListCommands::CheckAgainstList()
{
    const std::optional<QString> path = chooseToOpen(OpenNewerList);
    CsvList list;
    if (!path || !readCsv(CheckListTitle, *path, list))
        return;
    EntryTable other;
    AppendCsvList(other, list);
    Findings findings = ListFindings(m_table, other);
    m_checkedAgainstDisk = false;
    finishCheck(findings);
}

std::optional<QString> ListCommands::chooseToOpen(const QString &title)
{
    const QString start = m_openDirectory.isEmpty() ? m_settings.SaveDirectory : m_openDirectory;
    const std::optional<QString> path = m_chooser.chooseToOpen(m_w.grid->window(), title, start, CsvFilter);
    if (path && !path->isEmpty())
        m_openDirectory = path->left(path->lastIndexOf(QLatin1Char('/')) + 1);
    return path;
}

void ListCommands::finishCheck(Findings &findings)
{
    // The rows an earlier check added are no part of the record, and its
    // states go: each check starts from the record alone.
    m_model.removeEntries(NewRows(m_table));
    m_table.ClearCheck();
    const CheckCounts counts = ApplyCheck(m_table, findings);
    m_model.showChecked();
    UpdateStatusTotals();
    QStringList parts{CheckPart.arg(stateText(CheckState::Same)).arg(counts.same)};
    const std::pair<CheckState, qint64> others[] = {{CheckState::Changed, counts.changed},
                                                    {CheckState::ContentChanged, counts.contentChanged},
                                                    {CheckState::Missing, counts.missing},
                                                    {CheckState::New, counts.added},
                                                    {CheckState::Unreadable, counts.unreadable}};
    for (const auto &[state, count] : others) {
        if (count > 0)
            parts.append(CheckPart.arg(stateText(state)).arg(count));
    }
    if (m_differencesOnly)
        refreshDifferenceRows();
    m_messages.inform(CheckFinished + QLatin1Char('\r') + parts.join(CheckPartSeparator));
}

void ListCommands::ApplyCheckResult()
{
    if (!m_table.IsChecked()) {
        m_messages.inform(NoResult);
        return;
    }
    // Only opening the CSV again undoes it.
    if (!m_messages.confirm(ConfirmApply, ApplyResult))
        return;
    // Digests of the changed files are computed again first: a cancel then
    // leaves the list and its result as they were.
    const std::vector<int> again = m_checkedAgainstDisk ? EntriesToHashAgain(m_table) : std::vector<int>();
    const auto job = std::make_shared<HashJob>();
    if (!again.empty()) {
        PrepareHashJob(m_table, *job, again);
        const bool finished = m_work.run(
            m_w.grid->window(), ApplyResult,
            [job](const std::atomic<bool> &cancel, const TreeWalkProgress &progress) {
                RunHashJob(*job, cancel, [&progress](qint64 files, qint64 bytes) {
                    progress(files, BytesRead.arg(QLocale::c().toString(bytes)));
                });
            },
            HashedCount);
        if (!finished)
            return;
    }
    const std::vector<int> missing = ApplyFound(m_table);
    const QStringList unreadable = again.empty() ? QStringList() : ApplyHashJob(m_table, *job);
    setDifferencesOnly(false);
    m_model.removeEntries(missing);
    m_model.showChecked();
    UpdateStatusTotals();
    m_messages.inform(Done);
    reportSkipped(unreadable);
}

void ListCommands::setDifferencesOnly(bool on)
{
    if (m_w.differencesOnly)
        m_w.differencesOnly->setChecked(on);
    if (m_differencesOnly == on)
        return;
    m_differencesOnly = on;
    refreshDifferenceRows();
}

void ListCommands::refreshDifferenceRows()
{
    const int rows = m_table.EntryCount();
    for (int r = 0; r < rows; ++r) {
        const CheckState state = m_table.state(r + 1);
        const bool hide = m_differencesOnly && state == CheckState::Same;
        if (m_w.grid->isRowHidden(r) != hide)
            m_w.grid->setRowHidden(r, hide);
    }
}

void ListCommands::ComputeSha256Digests()
{
    // The selected rows when several are, else every entry without one.
    const QModelIndexList rows = m_w.grid->selectionModel()->selectedRows();
    std::vector<int> only;
    if (rows.size() > 1)
        only = selectedEntries();
    const auto job = std::make_shared<HashJob>();
    PrepareHashJob(m_table, *job, only);
    if (job->entries.empty()) {
        m_messages.inform(Done);
        return;
    }
    const bool finished = m_work.run(
        m_w.grid->window(), ComputeSha256,
        [job](const std::atomic<bool> &cancel, const TreeWalkProgress &progress) {
            RunHashJob(*job, cancel, [&progress](qint64 files, qint64 bytes) {
                progress(files, BytesRead.arg(QLocale::c().toString(bytes)));
            });
        },
        HashedCount);
    // Digests finished before a cancel are kept: each one is whole.
    const QStringList unreadable = ApplyHashJob(m_table, *job);
    m_model.showChecked();
    if (finished)
        m_messages.inform(Done);
    reportSkipped(unreadable);
}

void ListCommands::reportSkipped(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    QStringList lines{SkippedSome.arg(paths.size())};
    for (const QString &path : paths.first(std::min<qsizetype>(paths.size(), SkippedShown)))
        lines.append(displayName(nativePath(path)));
    m_messages.inform(lines.join(QLatin1Char('\r')));
}

void ListCommands::SaveSha256Sums()
{
    const QString common = commonDirectoryOfDigests(m_table);
    if (common.isEmpty()) {
        m_messages.inform(NoDigests);
        return;
    }
    const std::optional<QString> path = m_chooser.choose(m_w.grid->window(), SaveSumsTitle, common, SumsFileName, QString());
    if (!path)
        return;
    const QString directory = path->left(path->lastIndexOf(QLatin1Char('/')) + 1);
    // The manifest never lists itself, even when the list holds its file.
    qint64 withoutDigest = 0;
    if (!saveBytes(*path, Sha256SumsText(m_table, directory, *path, &withoutDigest))) {
        m_messages.inform(ListFailed);
        return;
    }
    m_messages.inform(Done);
    if (withoutDigest > 0)
        m_messages.inform(SomeWithoutDigest.arg(withoutDigest));
}

} // namespace qn

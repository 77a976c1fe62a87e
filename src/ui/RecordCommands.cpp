#include "ui/RecordCommands.h"

#include "list/Check.h"
#include "list/EntryTable.h"
#include "list/Hashing.h"
#include "output/CsvReader.h"
#include "platform/FileSystem.h"
#include "settings/Settings.h"
#include "ui/CommandContext.h"
#include "ui/DigestCommands.h"
#include "ui/EntryModel.h"
#include "ui/Messages.h"
#include "ui/Services.h"
#include "ui/WorkProgress.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <memory>

namespace qn {

namespace {

const QString NoFile = QStringLiteral("ファイルが存在しません。");
const QString CsvFilter = QStringLiteral("*.csv");
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
const QString OpenNewerList = QStringLiteral("照合する新しいリストを開く");
const QString ApplyResult = QStringLiteral("照合結果を反映");
const QString ConfirmApply = QStringLiteral("照合結果をリストに反映します。よろしいですか？");
const QString NoResult = QStringLiteral("照合結果がありません。");
const QString DifferencesOnly = QStringLiteral("差分のみ表示");
const QString ScopeFailed = QStringLiteral("照合の範囲のフォルダーを開けませんでした。");

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

QString applyResultCaption()
{
    return ApplyResult;
}

QString differencesOnlyCaption()
{
    return DifferencesOnly;
}

RecordCommands::RecordCommands(CommandContext &context)
    : m_c(context)
{
}

bool RecordCommands::readCsv(const QString &title, const QString &path, CsvList &list)
{
    bool readable = false;
    const std::shared_ptr<CsvReadResult> read = readCsvBehind(m_c.work, m_c.parent(), title, path, &readable);
    if (!read)
        return false;
    if (!readable) {
        m_c.messages.inform(NoFile);
        return false;
    }
    switch (read->status) {
    case CsvReadResult::Read:
        list = std::move(read->list);
        return true;
    case CsvReadResult::NotAList:
        m_c.messages.inform(NotAListCsv);
        break;
    case CsvReadResult::BadLine:
        m_c.messages.inform(BadCsvLine.arg(read->line));
        break;
    case CsvReadResult::TooManyRows:
        m_c.messages.inform(TooManyCsvRows.arg(QLocale::c().toString(CsvReadLimits().rows)));
        break;
    case CsvReadResult::Unreadable:
    case CsvReadResult::Cancelled:
        m_c.messages.inform(CsvReadFailed);
        break;
    }
    return false;
}

void RecordCommands::OpenCsvFile()
{
    const std::optional<QString> path = chooseToOpen(OpenCsvTitle);
    CsvList list;
    if (!path || !readCsv(OpenCsvTitle, *path, list))
        return;
    // The recorded rows, sizes and times as the file has them, in one batch.
    m_c.namesFromCp932 = m_c.namesFromCp932 || list.cp932;
    const bool wasChecked = m_c.table.IsChecked();
    const CsvAppendReport appended = AppendCsvList(m_c.table, list);
    // A check saved with the list comes back with it. Where its found values
    // came from is not known: applying it drops the changed files' digests
    // rather than read a disk that may have changed since.
    if (!wasChecked && m_c.table.IsChecked())
        m_checkedAgainstDisk = false;
    m_c.title = QFileInfo(*path).completeBaseName();
    m_c.model.showChecked(); // a SHA-256 column when the file holds digests
    m_c.updateStatusTotals();
    QString done = CsvRowsRead.arg(appended.added);
    if (appended.alreadyListed > 0)
        done += QLatin1Char('\r') + CsvRowsAlreadyListed.arg(appended.alreadyListed);
    m_c.messages.inform(done);
    if (!appended.refused.isEmpty())
        m_c.reportPaths(CsvRowsPastTotal.arg(appended.refused.size()), appended.refused);
}

void RecordCommands::CheckAgainstDisk()
{
    // The scope is shown every time: what is walked for new files is the
    // user's to see and change.
    CheckScope scope = ProposedScope(m_c.table);
    if (m_c.scope && !m_c.scope->choose(m_c.parent(), scope))
        return;
    // Even preparing a million entries is no work for the window's thread:
    // the list stands still behind the progress window meanwhile, and a
    // cancel ends the preparing at once.
    const auto check = std::make_shared<DiskCheck>();
    const EntryTable *table = &m_c.table;
    const NameFilter filter = m_c.filter;
    const bool cp932 = m_c.namesFromCp932;
    const bool finished = m_c.work.run(
        m_c.parent(), CheckDisk,
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
        m_c.messages.inform(lines.join(QLatin1Char('\r')));
    }
    m_c.reportSkipped(unreadable);
}

void RecordCommands::CheckAgainstList()
{
    const std::optional<QString> path = chooseToOpen(OpenNewerList);
    CsvList list;
    if (!path || !readCsv(CheckListTitle, *path, list))
        return;
    EntryTable other;
    AppendCsvList(other, list);
    Findings findings = ListFindings(m_c.table, other);
    m_checkedAgainstDisk = false;
    finishCheck(findings);
}

std::optional<QString> RecordCommands::chooseToOpen(const QString &title)
{
    const QString start = m_openDirectory.isEmpty() ? m_c.settings.SaveDirectory : m_openDirectory;
    const std::optional<QString> path = m_c.chooser.chooseToOpen(m_c.parent(), title, start, CsvFilter);
    if (path && !path->isEmpty())
        m_openDirectory = path->left(path->lastIndexOf(QLatin1Char('/')) + 1);
    return path;
}

void RecordCommands::finishCheck(Findings &findings)
{
    // The rows an earlier check added are no part of the record, and its
    // states go: each check starts from the record alone.
    m_c.model.removeEntries(NewRows(m_c.table));
    m_c.table.ClearCheck();
    const CheckCounts counts = ApplyCheck(m_c.table, findings);
    m_c.model.showChecked();
    m_c.updateStatusTotals();
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
    if (m_c.differencesOnly())
        m_c.refreshDifferenceRows();
    m_c.messages.inform(CheckFinished + QLatin1Char('\r') + parts.join(CheckPartSeparator));
}

void RecordCommands::ApplyCheckResult()
{
    if (!m_c.table.IsChecked()) {
        m_c.messages.inform(NoResult);
        return;
    }
    // Only opening the CSV again undoes it.
    if (!m_c.messages.confirm(ConfirmApply, ApplyResult))
        return;
    // Digests of the changed files are computed again first: a cancel then
    // leaves the list and its result as they were.
    const std::vector<int> again = m_checkedAgainstDisk ? EntriesToHashAgain(m_c.table) : std::vector<int>();
    const auto job = std::make_shared<HashJob>();
    if (!again.empty()) {
        PrepareHashJob(m_c.table, *job, again);
        if (!runHashJob(m_c, ApplyResult, job))
            return;
    }
    const std::vector<int> missing = ApplyFound(m_c.table);
    const QStringList unreadable = again.empty() ? QStringList() : ApplyHashJob(m_c.table, *job);
    m_c.setDifferencesOnly(false);
    m_c.model.removeEntries(missing);
    m_c.model.showChecked();
    m_c.updateStatusTotals();
    m_c.messages.inform(doneText());
    m_c.reportSkipped(unreadable);
}

void RecordCommands::setDifferencesOnly(bool on)
{
    m_c.setDifferencesOnly(on);
}

} // namespace qn

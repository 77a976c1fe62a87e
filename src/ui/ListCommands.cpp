#include "ui/ListCommands.h"

#include "list/DirectoryAdd.h"
#include "list/EntryTable.h"
#include "list/Progress.h"
#include "output/CsvFile.h"
#include "output/GridTitles.h"
#include "output/ListFile.h"
#include "platform/FileSystem.h"
#include "platform/SafeWrite.h"
#include "settings/Settings.h"
#include "ui/CommandContext.h"
#include "ui/DirList.h"
#include "ui/EntryModel.h"
#include "ui/FileList.h"
#include "ui/GridView.h"
#include "ui/Messages.h"
#include "ui/Services.h"
#include "ui/WorkProgress.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QProgressBar>
#include <QTableView>

#include <memory>

namespace qn {

namespace {

const QString NoFile = QStringLiteral("ファイルが存在しません。");
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
const QString CsvNotWritten = ListFailed; // the same words for a CSV that could not be written
const QString AddTree = QStringLiteral("サブディレクトリを含めて追加");
const QString SomeReplaced =
    QStringLiteral("%1 件のファイル名に、リストファイルに書けない文字がありました。「?」に置き換えています。");
const QString SomeReplacedInCsv =
    QStringLiteral("%1 件のファイル名に、CSVファイルに書けない文字がありました。「\uFFFD」に置き換えています。");
const QString SaveCsv = QStringLiteral("CSVで保存...");
const QString SaveCsvTitle = QStringLiteral("CSVで保存");
const QString CsvFilter = QStringLiteral("*.csv");
const QString CsvFileName = QStringLiteral("list.csv");

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

ListCommands::ListCommands(const ListWidgets &widgets, CommandContext &context)
    : m_w(widgets)
    , m_c(context)
{
}

void ListCommands::setFilter(const NameFilter &filter)
{
    m_c.filter = filter;
}

const NameFilter &ListCommands::filter() const
{
    return m_c.filter;
}

QString ListCommands::CurrentDirPrefix() const
{
    return withTrailingSeparator(m_w.dir->path());
}

void ListCommands::AddSelectedFile()
{
    const QString name = m_w.file->fileName();
    const QString directory = CurrentDirPrefix();
    if (m_c.table.AppendEntry(directory, name) == AppendResult::Failed) {
        m_c.messages.inform(NoFile);
        return;
    }
    m_c.model.showAppended();
    m_c.updateStatusTotals();
}

void ListCommands::AddDirectoryFiles()
{
    // Rows enter the grid in one batch at the end; nothing is painted per row.
    m_c.grid->setUpdatesEnabled(false);
    const QString directory = CurrentDirPrefix();
    ProgressDisplay progress(m_w.progress);
    progress.start();

    DirScanner scan(directory, m_c.filter);
    const bool failed = !AppendDirectory(m_c.table, directory, scan, [&progress] { progress.step(); });
    m_c.table.RememberFolder(directory, false);

    m_c.model.showAppended();
    m_c.grid->setUpdatesEnabled(true);
    if (failed) {
        progress.hide();
        m_c.updateStatusTotals();
        m_c.messages.inform(NoFile);
        return;
    }
    m_c.updateStatusTotals();
    progress.finish();
    m_c.messages.inform(doneText());
    progress.hide();
}

void ListCommands::AddDirectoryTree()
{
    const QString root = CurrentDirPrefix();
    const auto walked = std::make_shared<TreeWalkReport>();
    const NameFilter filter = m_c.filter;
    const bool finished = m_c.work.run(
        m_c.parent(), AddTree, [root, walked, filter](const std::atomic<bool> &cancel, const TreeWalkProgress &progress) {
            *walked = walkTree(root, cancel, progress, 0, true, filter);
        });
    if (!finished)
        return;
    TreeWalkReport &report = *walked;

    // The whole tree enters the list here, in one batch and one insert.
    AppendTree(m_c.table, report, true);
    m_c.table.RememberFolder(root, true);
    m_c.model.showAppended();
    m_c.updateStatusTotals();
    m_c.messages.inform(report.fileCount > 0 ? doneText() : NoFile);
    m_c.reportSkipped(report.skipped);
}

void ListCommands::AddDroppedPaths(const QStringList &paths)
{
    bool allIn = true;
    bool anyDirectory = false;
    ProgressDisplay progress(m_w.progress);
    m_c.grid->setUpdatesEnabled(false);
    for (const QString &path : paths) {
        if (isDirectory(path)) {
            if (!anyDirectory)
                progress.start();
            anyDirectory = true;
            const QString directory = withTrailingSeparator(path);
            DirScanner scan(directory, m_c.filter);
            allIn = AppendDirectory(m_c.table, directory, scan, [&progress] { progress.step(); }) && allIn;
            m_c.table.RememberFolder(directory, false);
        } else {
            const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
            const AppendResult result = m_c.table.AppendEntry(path.left(slash + 1), path.mid(slash + 1));
            allIn = result != AppendResult::Failed && allIn;
        }
    }
    m_c.model.showAppended();
    m_c.grid->setUpdatesEnabled(true);
    m_c.updateStatusTotals();
    if (anyDirectory)
        progress.finish();
    m_c.messages.inform(allIn ? doneText() : NoFile);
    progress.hide();
}

void ListCommands::DeleteSelectedEntry()
{
    if (m_c.table.EntryCount() == 0) {
        m_c.messages.inform(EmptyListCannotDelete);
        return;
    }
    const std::vector<int> entries = m_c.selectedEntries();
    if (entries.size() == 1) {
        if (!m_c.messages.confirm(ConfirmDelete, ConfirmDeleteTitle))
            return;
        m_c.model.removeEntry(entries.front());
    } else {
        if (!m_c.messages.confirm(ConfirmDeleteMany.arg(entries.size()), ConfirmDeleteTitle))
            return;
        m_c.model.removeEntries(entries);
    }
    m_c.updateStatusTotals();
    focusRowAfterRemoval(entries.front());
}

void ListCommands::focusRowAfterRemoval(int row)
{
    const int rows = m_c.table.EntryCount();
    if (rows == 0)
        return;
    const QModelIndex next = m_c.model.index(std::min(row, rows) - 1, 0);
    m_c.grid->selectionModel()->setCurrentIndex(next, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_c.grid->setFocus();
}

void ListCommands::CopySelectedRows()
{
    if (m_c.table.EntryCount() == 0)
        return;
    std::vector<int> rows;
    for (int entry : m_c.selectedEntries())
        rows.push_back(entry - 1);
    QGuiApplication::clipboard()->setText(tabSeparatedRows(m_c.model, rows, ColCount));
}

void ListCommands::NewList()
{
    if (m_c.messages.confirm(ConfirmNewList, ConfirmNewListTitle)) {
        m_c.setDifferencesOnly(false);
        m_c.namesFromCp932 = false;
        m_c.model.clear();
        m_c.title.clear();
    }
    m_c.updateStatusTotals();
}

void ListCommands::MakeListFile()
{
    const QString path = m_c.settings.SaveDirectory + m_c.settings.SaveFileName;
    if (isRegularFile(path)) {
        if (!m_c.messages.confirm(ConfirmOverwrite, ConfirmOverwriteTitle)) {
            m_c.messages.inform(ChangeSettings);
            return;
        }
    } else if (QFileInfo::exists(path)) {
        // A directory, a pipe or a device holds the name: it is no list file
        // and is never replaced.
        m_c.messages.inform(ListFailed);
        return;
    }
    ReplacedNames replaced;
    if (!saveBytes(path, ListFileText(m_c.table, m_c.settings.SizeUnit, &replaced))) {
        m_c.messages.inform(ListFailed);
        return;
    }
    m_c.messages.inform(doneText());
    m_c.reportReplaced(replaced, SomeReplaced);
}

void ListCommands::SaveCsvFile()
{
    const std::optional<QString> path =
        m_c.chooser.choose(m_c.parent(), SaveCsvTitle, m_c.settings.SaveDirectory, CsvFileName, CsvFilter);
    if (!path || path->isEmpty())
        return;
    ReplacedNames replaced;
    if (!saveBytes(*path, CsvFileText(m_c.table, &replaced))) {
        m_c.messages.inform(CsvNotWritten);
        return;
    }
    m_c.title = QFileInfo(*path).completeBaseName();
    m_c.messages.inform(doneText());
    m_c.reportReplaced(replaced, SomeReplacedInCsv);
}

} // namespace qn

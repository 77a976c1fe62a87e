#include "ui/CommandContext.h"

#include "list/EntryTable.h"
#include "output/ListTitle.h"
#include "output/ReplacedNames.h"
#include "output/SizeFormat.h"
#include "platform/FileSystem.h"
#include "settings/Settings.h"
#include "ui/EntryModel.h"
#include "ui/Services.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QLabel>
#include <QTableView>

#include <algorithm>

namespace qn {

namespace {

const QString Done = QStringLiteral("完了！！");
constexpr qsizetype SkippedShown = 5; // paths named in the message
const QString SkippedSome = QStringLiteral("読み込めなかったディレクトリ・ファイルが %1 件ありました。");
const QString MoreReplaced = QStringLiteral("ほか %1 件");
const QString Arrow = QStringLiteral(" → ");

} // namespace

QString doneText()
{
    return Done;
}

CommandContext::CommandContext(const CommandWidgets &widgets, EntryTable &table, EntryModel &model,
                               Settings &settings, const Services &services)
    : grid(widgets.grid)
    , table(table)
    , model(model)
    , settings(settings)
    , messages(*services.messages)
    , work(*services.work)
    , chooser(*services.chooser)
    , scope(services.scope)
    , m_panel1(widgets.panel1)
    , m_panel2(widgets.panel2)
    , m_differencesOnlyItem(widgets.differencesOnly)
{
    // Rows that come, go or move keep the view of differences only.
    const auto refresh = [this] {
        if (m_differencesOnly)
            refreshDifferenceRows();
    };
    m_connections = {QObject::connect(&model, &QAbstractItemModel::rowsInserted, grid, refresh),
                     QObject::connect(&model, &QAbstractItemModel::rowsRemoved, grid, refresh),
                     QObject::connect(&model, &QAbstractItemModel::modelReset, grid, refresh),
                     QObject::connect(&model, &QAbstractItemModel::layoutChanged, grid, refresh)};
}

CommandContext::~CommandContext()
{
    for (const QMetaObject::Connection &c : m_connections)
        QObject::disconnect(c);
}

QWidget *CommandContext::parent() const
{
    return grid->window();
}

QString CommandContext::listTitle() const
{
    return title.isEmpty() ? defaultListTitle() : title;
}

void CommandContext::updateStatusTotals()
{
    updateTotalBytesPanel();
    m_panel2->setText(QStringLiteral("総ファイル数 ") + QString::number(table.EntryCount()));
}

void CommandContext::updateTotalBytesPanel()
{
    SizeFormatter formatter;
    const qint64 value = formatter.FormatSize(settings.SizeUnit, table.TotalBytes());
    m_panel1->setText(QStringLiteral("総バイト数 ") + QString::number(value) + QLatin1Char(' ')
                      + formatter.UnitSuffix());
}

int CommandContext::currentRow() const
{
    const QModelIndex current = grid->currentIndex();
    return current.isValid() ? current.row() + 1 : 1;
}

std::vector<int> CommandContext::selectedEntries() const
{
    std::vector<int> entries;
    if (table.EntryCount() == 0)
        return entries;
    for (const QItemSelectionRange &range : grid->selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            entries.push_back(row + 1);
    }
    std::sort(entries.begin(), entries.end());
    entries.erase(std::unique(entries.begin(), entries.end()), entries.end());
    if (entries.empty())
        entries.push_back(currentRow());
    return entries;
}

void CommandContext::setDifferencesOnly(bool on)
{
    if (m_differencesOnlyItem)
        m_differencesOnlyItem->setChecked(on);
    if (m_differencesOnly == on)
        return;
    m_differencesOnly = on;
    refreshDifferenceRows();
}

void CommandContext::refreshDifferenceRows()
{
    const int rows = table.EntryCount();
    for (int r = 0; r < rows; ++r) {
        const CheckState state = table.state(r + 1);
        const bool hide = m_differencesOnly && state == CheckState::Same;
        if (grid->isRowHidden(r) != hide)
            grid->setRowHidden(r, hide);
    }
}

void CommandContext::reportSkipped(const QStringList &paths)
{
    if (!paths.isEmpty())
        reportPaths(SkippedSome.arg(paths.size()), paths);
}

void CommandContext::reportPaths(const QString &first, const QStringList &paths)
{
    QStringList lines{first};
    for (const QString &path : paths.first(std::min<qsizetype>(paths.size(), SkippedShown)))
        lines.append(displayName(nativePath(path)));
    messages.inform(lines.join(QLatin1Char('\r')));
}

void CommandContext::reportReplaced(const ReplacedNames &replaced, const QString &text)
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
    messages.inform(lines.join(QLatin1Char('\r')));
}

} // namespace qn

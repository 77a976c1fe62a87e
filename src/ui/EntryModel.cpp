#include "ui/EntryModel.h"

#include "list/Check.h"
#include "list/DateText.h"
#include "platform/Digest.h"
#include "list/Sort.h"
#include "output/GridTitles.h"
#include "settings/Settings.h"

#include <QColor>

#include <algorithm>

namespace qn {

namespace {


// One light tint for each kind of difference, dark text readable on all of
// them; the state's text says the same for those who cannot tell them apart.
QVariant tint(CheckState state)
{
    switch (state) {
    case CheckState::Changed:
        return QColor(0xFF, 0xF0, 0xB3); // yellow
    case CheckState::ContentChanged:
        return QColor(0xFF, 0xD8, 0xA8); // orange
    case CheckState::Missing:
        return QColor(0xF8, 0xC8, 0xD0); // pink
    case CheckState::New:
        return QColor(0xC8, 0xEC, 0xC8); // green
    case CheckState::Unreadable:
        return QColor(0xD8, 0xD8, 0xE8); // grey-blue
    default:
        return {};
    }
}
} // namespace

EntryModel::EntryModel(EntryTable &table, const Settings &settings, QObject *parent)
    : QAbstractTableModel(parent)
    , m_table(table)
    , m_settings(settings)
    , m_shownRows(table.EntryCount())
{
}

int EntryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_shownRows;
}

int EntryModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColCount + int(m_extra.size());
}

int EntryModel::columnKind(int column) const
{
    return column < ColCount ? column : m_extra.at(size_t(column - ColCount));
}

QVariant EntryModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= m_shownRows || index.column() >= columnCount())
        return {};
    const int i = index.row() + 1;
    const CheckState state = m_table.state(i);
    const int kind = columnKind(index.column());
    if (kind == FoundSizeCol || kind == FoundDateCol) {
        if ((role != Qt::DisplayRole && role != RawValueRole) || !m_table.HasFound(i) || !carriesFound(state))
            return role == Qt::BackgroundRole ? tint(state) : QVariant();
        const FoundValues &f = m_table.found(i);
        if (role == RawValueRole)
            return kind == FoundSizeCol ? f.Size : f.Modified;
        return kind == FoundSizeCol ? QVariant(m_formatter.sizeText(m_settings.SizeUnit, f.Size))
                                    : QVariant(DateText(f.Modified));
    }
    if (role == Qt::BackgroundRole)
        return tint(state);
    if (role == Qt::DisplayRole) {
        switch (columnKind(index.column())) {
        case NameCol:
            return displayName(m_table.fileName(i).toString());
        case SizeCol:
            return m_formatter.sizeText(m_settings.SizeUnit, m_table.size(i));
        case DateCol:
            return DateText(m_table.modified(i));
        case DirCol:
            return displayName(nativePath(m_table.directory(i)));
        case StateCol:
            return stateText(state);
        case DigestCol:
            return QString::fromLatin1(digestHex(m_table.digest(i)));
        }
    } else if (role == RawValueRole) {
        switch (columnKind(index.column())) {
        case NameCol:
            return m_table.fileName(i).toString();
        case SizeCol:
            return m_table.size(i);
        case DateCol:
            return m_table.modified(i);
        case DirCol:
            return m_table.directory(i);
        case StateCol:
            return int(state);
        case DigestCol:
            return m_table.digest(i);
        }
    }
    return {};
}

QVariant EntryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    return gridColumnTitle(columnKind(section), m_settings.SizeUnit);
}

void EntryModel::showAppended()
{
    const int count = m_table.EntryCount();
    if (count <= m_shownRows)
        return;
    beginInsertRows(QModelIndex(), m_shownRows, count - 1);
    m_shownRows = count;
    endInsertRows();
}

void EntryModel::removeEntry(int entry)
{
    if (entry < 1 || entry > m_shownRows)
        return;
    beginRemoveRows(QModelIndex(), entry - 1, entry - 1);
    m_table.RemoveEntry(entry);
    m_shownRows = m_table.EntryCount();
    endRemoveRows();
}

void EntryModel::sort(int column, Qt::SortOrder order)
{
    static const SortKey keys[ColCount + 2] = {SortKey::Name, SortKey::Size, SortKey::Date, SortKey::Directory,
                                               SortKey::State, SortKey::Digest};
    if (column < 0 || column >= columnCount() || m_shownRows < 2 || columnKind(column) > DigestCol)
        return;
    const std::vector<int> sorted = SortedOrder(m_table, keys[columnKind(column)], order == Qt::DescendingOrder);

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newRowOf(sorted.size());
    for (size_t k = 0; k < sorted.size(); ++k)
        newRowOf[size_t(sorted[k] - 1)] = int(k);
    m_table.Reorder(sorted);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex &i : before)
        after.append(index(newRowOf[size_t(i.row())], i.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void EntryModel::removeEntries(std::vector<int> entries)
{
    std::sort(entries.begin(), entries.end());
    entries.erase(std::unique(entries.begin(), entries.end()), entries.end());
    entries.erase(std::upper_bound(entries.begin(), entries.end(), m_shownRows), entries.end());
    entries.erase(entries.begin(), std::lower_bound(entries.begin(), entries.end(), 1));
    if (entries.empty())
        return;
    // One block leaves as rows; scattered rows reset the view at once, which
    // costs nothing per row, where thousands of removals would not.
    const bool oneBlock = entries.back() - entries.front() + 1 == int(entries.size());
    if (oneBlock)
        beginRemoveRows(QModelIndex(), entries.front() - 1, entries.back() - 1);
    else
        beginResetModel();
    m_table.RemoveEntries(std::move(entries));
    m_shownRows = m_table.EntryCount();
    if (oneBlock)
        endRemoveRows();
    else
        endResetModel();
}

void EntryModel::clear()
{
    beginResetModel();
    m_table.Clear();
    m_shownRows = 0;
    m_extra.clear();
    endResetModel();
}

void EntryModel::showChecked()
{
    // A column that now holds data comes in at its place among the others;
    // one that no longer does leaves.
    const std::pair<int, bool> wanted[] = {{StateCol, m_table.IsChecked()},
                                           {DigestCol, m_table.HasDigests()},
                                           {FoundSizeCol, m_table.HasFound()},
                                           {FoundDateCol, m_table.HasFound()}};
    for (const auto &[kind, holds] : wanted) {
        const auto at = std::lower_bound(m_extra.begin(), m_extra.end(), kind);
        const bool shown = at != m_extra.end() && *at == kind;
        if (!holds && shown) {
            const int column = ColCount + int(at - m_extra.begin());
            beginRemoveColumns(QModelIndex(), column, column);
            m_extra.erase(at);
            endRemoveColumns();
            continue;
        }
        if (!holds || shown)
            continue;
        const int column = ColCount + int(at - m_extra.begin());
        beginInsertColumns(QModelIndex(), column, column);
        m_extra.insert(at, kind);
        endInsertColumns();
    }
    if (m_shownRows > 0)
        emit dataChanged(index(0, 0), index(m_shownRows - 1, columnCount() - 1), {Qt::DisplayRole, Qt::BackgroundRole});
    showAppended();
}

void EntryModel::unitChanged()
{
    emit headerDataChanged(Qt::Horizontal, SizeCol, SizeCol);
    if (m_shownRows > 0)
        emit dataChanged(index(0, SizeCol), index(m_shownRows - 1, SizeCol), {Qt::DisplayRole});
}

} // namespace qn

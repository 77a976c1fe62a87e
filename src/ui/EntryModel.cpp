#include "ui/EntryModel.h"

#include "list/DateText.h"
#include "output/GridTitles.h"
#include "settings/Settings.h"

namespace qn {

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
    return parent.isValid() ? 0 : ColCount;
}

QVariant EntryModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= m_shownRows || index.column() >= ColCount)
        return {};
    const ListEntry &e = m_table.at(index.row() + 1);
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case NameCol:
            return displayName(e.FileName);
        case SizeCol:
            return m_formatter.sizeText(m_settings.SizeUnit, e.Size);
        case DateCol:
            return DateText(e.Modified);
        case DirCol:
            return displayName(nativePath(e.Directory));
        }
    } else if (role == RawValueRole) {
        switch (index.column()) {
        case NameCol:
            return e.FileName;
        case SizeCol:
            return e.Size;
        case DateCol:
            return e.Modified;
        case DirCol:
            return e.Directory;
        }
    }
    return {};
}

QVariant EntryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    return columnTitle(Column(section), m_settings.SizeUnit);
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

void EntryModel::clear()
{
    beginResetModel();
    m_table.Clear();
    m_shownRows = 0;
    endResetModel();
}

void EntryModel::unitChanged()
{
    emit headerDataChanged(Qt::Horizontal, SizeCol, SizeCol);
    if (m_shownRows > 0)
        emit dataChanged(index(0, SizeCol), index(m_shownRows - 1, SizeCol), {Qt::DisplayRole});
}

} // namespace qn

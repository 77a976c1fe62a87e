#include "ui/CatalogueResultModel.h"

#include "list/DateText.h"
#include "list/EntryTable.h"
#include "platform/FileSystem.h"
#include "ui/CatalogueTexts.h"

#include <algorithm>

namespace qn {

using namespace catalogue_text;

void CatalogueResultModel::setResult(std::vector<CatalogueHit> hits, QHash<qint64, QString> volumeNames)
{
    beginResetModel();
    m_hits = std::move(hits);
    m_volumes = std::move(volumeNames);
    endResetModel();
}

int CatalogueResultModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_hits.size());
}

int CatalogueResultModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CatalogueResultModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::TextAlignmentRole))
        return QVariant();
    if (role == Qt::TextAlignmentRole)
        return index.column() == BytesColumn ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    const CatalogueHit &h = m_hits[size_t(index.row())];
    switch (index.column()) {
    case VolumeColumn:
        return m_volumes.value(h.volume);
    case NameColumn:
        return h.fileName;
    case BytesColumn:
        return QString::number(h.size);
    case TimeColumn:
        return DateText(h.modified);
    default:
        return nativePath(h.directory);
    }
}

QVariant CatalogueResultModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    static const QString titles[] = {Volume, FileName, Bytes, Modified, Directory};
    return section >= 0 && section < ColumnCount ? titles[section] : QVariant();
}

void CatalogueResultModel::sort(int column, Qt::SortOrder order)
{
    emit layoutAboutToBeChanged();
    const auto key = [this, column](const CatalogueHit &a, const CatalogueHit &b) {
        switch (column) {
        case VolumeColumn:
            return m_volumes.value(a.volume) < m_volumes.value(b.volume);
        case NameColumn:
            return a.fileName < b.fileName;
        case BytesColumn:
            return a.size < b.size;
        case TimeColumn:
            return a.modified < b.modified;
        default:
            return a.directory < b.directory;
        }
    };
    std::stable_sort(m_hits.begin(), m_hits.end(), [&](const CatalogueHit &a, const CatalogueHit &b) {
        return order == Qt::AscendingOrder ? key(a, b) : key(b, a);
    });
    emit layoutChanged();
}

void appendHit(EntryTable &table, const CatalogueHit &hit)
{
    const auto recorded = [&hit](FileStamp &s) {
        s.size = hit.size;
        s.modified = hit.modified;
        return true;
    };
    if (table.AppendEntry(hit.directory, hit.fileName, recorded) == AppendResult::Added && !hit.sha256.isEmpty())
        table.SetDigest(table.EntryCount(), hit.sha256);
}

} // namespace qn

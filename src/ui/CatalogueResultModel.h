#pragma once

#include "catalogue/Catalogue.h"

#include <QAbstractTableModel>
#include <QHash>

#include <vector>

namespace qn {

// The rows a search found: volume, name, bytes, time, directory; sortable.
class CatalogueResultModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { VolumeColumn, NameColumn, BytesColumn, TimeColumn, DirectoryColumn, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;
    void setResult(std::vector<CatalogueHit> hits, QHash<qint64, QString> volumeNames);
    const CatalogueHit &hit(int row) const { return m_hits[size_t(row)]; }
    QString volumeName(qint64 id) const { return m_volumes.value(id); }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    std::vector<CatalogueHit> m_hits;
    QHash<qint64, QString> m_volumes;
};

class EntryTable;

// Appends a catalogued row to a list with its recorded size, time and digest.
void appendHit(EntryTable &table, const CatalogueHit &hit);

} // namespace qn

#pragma once

#include "list/EntryTable.h"
#include "output/SizeFormat.h"

#include <QAbstractTableModel>

namespace qn {

struct Settings;

// The grid's view of the entry table: row r shows entry r + 1 (the title row
// is the header). Cells are formatted when asked, so the grid never holds a
// second copy of the list and a unit change costs nothing per entry.
class EntryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Role { RawValueRole = Qt::UserRole };

    EntryModel(EntryTable &table, const Settings &settings, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Sorts the list itself, so the grid, removal by row and the list file
    // all follow the order on screen: one layout change.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // Shows the entries appended to the table since the last call, in one insert.
    void showAppended();
    void removeEntry(int entry);
    // Removes many entries in one pass over the table.
    void removeEntries(std::vector<int> entries);
    void clear();
    // The unit changed: the size column and its title are rendered anew.
    void unitChanged();
    // A check, its application or a digest run changed states, stamps or
    // digests and perhaps appended entries: the columns that now hold data
    // show, those that no longer do leave, every row is rendered anew, new
    // rows are inserted.
    void showChecked();
    // What column `column` shows: NameCol .. DirCol, StateCol, DigestCol,
    // FoundSizeCol or FoundDateCol.
    int columnKind(int column) const;

private:
    EntryTable &m_table;
    const Settings &m_settings;
    int m_shownRows = 0;
    std::vector<int> m_extra; // the extra columns shown, in order
    mutable SizeFormatter m_formatter;
};

} // namespace qn

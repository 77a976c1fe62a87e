#pragma once

#include "list/EntryTable.h"
#include "list/FlatArray.h"
#include "list/ListEntry.h"

#include <QByteArray>
#include <QStringList>

#include <vector>

namespace qn {

// A list read back from a CSV: its rows in file order, in runs of rows that
// share one directory, and the names of all of them in one block of text,
// which the list takes over when it can.
struct CsvList {
    struct Run {
        QString path;
        size_t first = 0; // in files
        size_t count = 0;
    };
    std::vector<Run> directories;
    FlatArray<NamedFile> files;
    FlatArray<char16_t> names;
    qint64 rows = 0;
    // With a "SHA-256" column: each row's digest in file order (empty where
    // the row has none).
    std::vector<QByteArray> digests;
    // Each row's time was written without seconds (1) or with them (0).
    std::vector<char> minuteOnly;
    // With a "照合" column: each row's state in file order (none where the
    // cell is empty), and for the rows that are 変更 or 内容変更 what the
    // check found ("現在のバイト数", "現在の更新日時"), by row number from 0.
    std::vector<CheckState> states;
    struct Found {
        qint64 row = 0;
        qint64 size = 0;
        qint64 modified = 0;
    };
    std::vector<Found> found;
    bool cp932 = false; // the file was in code page 932
};

// What AppendCsvList did: the rows added, those the list held already, and
// the paths of those refused because the total would pass its limit.
struct CsvAppendReport {
    qint64 added = 0;
    qint64 alreadyListed = 0;
    QStringList refused;
};

// Appends what was read to table in one batch, as a tree add does (rows it
// holds already are left out), with the digests read, the times recorded
// without seconds marked so, and the states and found values of a check
// (the table is then checked: 新規 rows stay outside the record). The rows
// and their names are used up.
CsvAppendReport AppendCsvList(EntryTable &table, CsvList &list);

} // namespace qn

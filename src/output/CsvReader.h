#pragma once

#include "list/ListEntry.h"
#include "platform/TreeWalk.h"

#include <QByteArray>
#include <QStringList>

#include <atomic>
#include <vector>

class QIODevice;

namespace qn {

class EntryTable;

// A list read back from a CSV: its rows in file order, in runs that share
// one directory string, as a walk gives them.
struct CsvList {
    std::vector<WalkedDirectory> directories;
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

// How much one CSV may hold: rows, and the bytes of one row (a directory
// 100,000 levels deep takes a few hundred kilobytes).
struct CsvReadLimits {
    qint64 rows = 10'000'000;
    qsizetype longestRecord = 64 << 20;
};

struct CsvReadResult {
    enum Status { Read, NotAList, BadLine, TooManyRows, Unreadable, Cancelled } status = Read;
    qint64 line = 0; // BadLine: the first line that could not be read, the title line being 1
    CsvList list;
};

// Reads what CsvFileText writes, and the same table after a spreadsheet saved
// it again: UTF-8 with or without a byte-order mark, or code page 932; LF or
// CR LF; fields quoted or not. Columns are found by their titles
// ("ファイル名", "バイト数", "更新日時", "ディレクトリ"; others are ignored) in
// any order. Times are local, as parseCsvTime reads them. A list saved after
// a check keeps it: "照合" gives each row its state, "現在のバイト数" and
// "現在の更新日時" what was found for a 変更 or 内容変更 row (one without
// them is read without its state: nothing is known to apply). All or
// nothing: a file without those titles is NotAList; a row whose size is not
// a whole number, whose time is not a time, whose name is empty, "." or
// "..", or holds a NUL or a directory separator, whose directory is not
// absolute (or has "." or ".." steps), whose state is none of the states,
// whose found size or time is given but not one, whose quotes are broken,
// or which is longer than the limit makes it BadLine; a row past the limit of rows, TooManyRows;
// and nothing is read. The device is read in pieces; cancel stops it soon
// (Cancelled).
CsvReadResult readListCsv(QIODevice &device, const std::atomic<bool> &cancel, const CsvReadLimits &limits = {});
CsvReadResult readListCsv(const QByteArray &bytes);

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
// (the table is then checked: 新規 rows stay outside the record).
CsvAppendReport AppendCsvList(EntryTable &table, CsvList &list);

} // namespace qn

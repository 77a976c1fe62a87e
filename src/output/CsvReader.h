#pragma once

#include "platform/TreeWalk.h"

#include <QByteArray>

#include <vector>

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
    // Read from code page 932: its names are what that code page could hold.
    bool fromCp932 = false;
};

struct CsvReadResult {
    enum Status { Read, NotAList, BadLine } status = Read;
    qint64 line = 0; // BadLine: the first line that could not be read, the title line being 1
    CsvList list;
};

// Reads what CsvFileText writes, and the same table after a spreadsheet saved
// it again: UTF-8 with or without a byte-order mark, or code page 932; LF or
// CR LF; fields quoted or not. Columns are found by their titles
// ("ファイル名", "バイト数", "更新日時", "ディレクトリ"; others are ignored) in
// any order. Times are local, as "yyyy-MM-dd HH:mm:ss", "yyyy/MM/dd H:mm:ss"
// or "yyyy/MM/dd H:mm". All or nothing: a file without those titles is
// NotAList; a row whose size is not a whole number, whose time is not a
// time, whose directory is not absolute, or whose quotes are broken makes
// it BadLine, and nothing is read.
CsvReadResult readListCsv(const QByteArray &bytes);

// Appends what was read to table in one batch, as a tree add does (rows it
// holds already are left out), with the digests read.
void AppendCsvList(EntryTable &table, CsvList &list);

} // namespace qn

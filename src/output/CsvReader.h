#pragma once

#include "list/CsvAppend.h"

#include <QByteArray>
#include <QStringList>

#include <atomic>
#include <vector>

class QIODevice;

namespace qn {

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

} // namespace qn

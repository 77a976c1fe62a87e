#pragma once

#include "output/ReplacedNames.h"

#include <QByteArray>

namespace qn {

class EntryTable;

// The list as CSV (RFC 4180) for spreadsheets and scripts: UTF-8 with a
// byte-order mark, CR LF, the title row
// "ファイル名,バイト数,更新日時,ディレクトリ,パス", then one row per entry in
// list order: name, exact size in bytes, local time as yyyy-MM-dd HH:mm:ss,
// directory, full path (times as formatCsvTime writes them, a time
// recorded without seconds without them); a checked list adds "照合", each entry's state. A
// field holding a comma, a quote or a line break is
// quoted, its quotes doubled. Bytes that are not UTF-8 become U+FFFD, and the
// names they were in are noted in *replaced.
QByteArray CsvFileText(const EntryTable &table, ReplacedNames *replaced = nullptr);

} // namespace qn

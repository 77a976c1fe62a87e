#pragma once

#include <QByteArray>

namespace qn {

class EntryTable;

// The list file's bytes: a title line and one line per entry, code page 932,
// CR LF after every line, no byte-order mark.
QByteArray ListFileText(const EntryTable &table, int unit);

} // namespace qn

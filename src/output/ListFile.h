#pragma once

#include "output/ReplacedNames.h"

#include <QByteArray>

namespace qn {

class EntryTable;

// The list file's bytes: a title line and one line per entry, code page 932,
// CR LF after every line, no byte-order mark. Names with characters the code
// page cannot hold (or control characters, or bytes that are not UTF-8) get
// "?" for them and are noted in *replaced, as they go.
QByteArray ListFileText(const EntryTable &table, int unit, ReplacedNames *replaced = nullptr);

} // namespace qn

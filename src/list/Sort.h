#pragma once

#include <vector>

namespace qn {

class EntryTable;

enum class SortKey { Name, Size, Date, Directory, State, Digest };

// The entries in sorted order: element k is the entry that comes k-th, ready
// for EntryTable::Reorder. Names in natural order as a file manager shows
// them (without case, "file2" before "file10", other scripts by the locale's
// collation); sizes by bytes; dates by the time stamp; directories by
// directory, then name; states grouped in their order (一致, 変更, なし,
// 新規, 読めない). Stable: entries that compare equal keep their order,
// also when descending.
std::vector<int> SortedOrder(const EntryTable &table, SortKey key, bool descending);

} // namespace qn

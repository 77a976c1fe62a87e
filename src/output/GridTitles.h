#pragma once

#include <QString>

namespace qn {

enum Column { NameCol, SizeCol, DateCol, DirCol, ColCount };
// Columns that show only when they hold data, in this order after the four:
// each entry's state after a check, and its SHA-256 once any is computed.
constexpr int StateCol = ColCount;
constexpr int DigestCol = ColCount + 1;
// After a check, while some entry differs: what the other source holds for
// the entries that differ.
constexpr int FoundSizeCol = ColCount + 2;
constexpr int FoundDateCol = ColCount + 3;

// "(B)", "(KB)", "(KB,MB)", "(Mixed)" for units 0 to 3; empty otherwise.
QString unitLabel(int unit);

// The title of a grid column; the size column names the unit.
QString columnTitle(Column column, int unit);
// The title of any column the grid can show, the four and those after them
// ("照合", "SHA-256", "現在のバイト数", "現在の更新日時"), as every writer
// that shows them titles them.
QString gridColumnTitle(int column, int unit);

} // namespace qn

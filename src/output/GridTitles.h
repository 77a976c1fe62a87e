#pragma once

#include <QString>

namespace qn {

enum Column { NameCol, SizeCol, DateCol, DirCol, ColCount };
// After a check, a fifth column with each entry's state.
constexpr int StateCol = ColCount;

// "(B)", "(KB)", "(KB,MB)", "(Mixed)" for units 0 to 3; empty otherwise.
QString unitLabel(int unit);

// The title of a grid column; the size column names the unit.
QString columnTitle(Column column, int unit);

} // namespace qn

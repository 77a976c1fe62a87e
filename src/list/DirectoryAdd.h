#pragma once

#include <QString>
#include <functional>

namespace qn {

class DirScanner;
class EntryTable;

// Appends every ordinary file that scan lists and the table does not hold
// yet, in the order listed; step runs once for every name listed, listed or
// not. Stops at the first file that cannot be read (or would carry the total
// past its limit): the files before it stay. False when it stopped so, when
// the directory could not be read, or when it holds no ordinary file.
bool AppendDirectory(EntryTable &table, const QString &directory, DirScanner &scan,
                     const std::function<void()> &step);

} // namespace qn

#pragma once

#include <QString>
#include <functional>

namespace qn {

class DirScanner;
class EntryTable;
struct TreeWalkReport;

// Appends every ordinary file that scan lists and the table does not hold
// yet, in the order listed; step runs once for every name listed, listed or
// not. Stops at the first file that cannot be read (or would carry the total
// past its limit): the files before it stay. False when it stopped so, when
// the directory could not be read, or when it holds no ordinary file.
bool AppendDirectory(EntryTable &table, const QString &directory, DirScanner &scan,
                     const std::function<void()> &step);

// Appends every file a tree walk found, in its order and in one batch; the
// files the table refuses (the total would pass its limit) join the walk's
// skipped paths. The walk's file lists are used up; with returnNames their
// memory goes back to the system as the add goes, so that the walk and the
// list are never held whole at once. That is cheap for a walk's names; the
// rows read from a file, freed so, would cost the read a third more time.
void AppendTree(EntryTable &table, TreeWalkReport &report, bool returnNames = false);

} // namespace qn

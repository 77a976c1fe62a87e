#pragma once

#include "list/ListEntry.h"
#include "platform/CheckPass.h"

#include <QString>

#include <vector>

namespace qn {

class EntryTable;

// "一致", "変更", "なし", "新規", "読めない", "内容変更"; empty for an entry
// not checked.
QString stateText(CheckState state);

// What another source holds for a list: one finding for each entry (entry i
// at i - 1), and the files it holds that the list does not, in its order.
struct Findings {
    std::vector<FoundFile> found;
    std::vector<WalkedDirectory> added;
};

struct CheckCounts {
    qint64 same = 0, changed = 0, missing = 0, added = 0, unreadable = 0, contentChanged = 0;
};

// The check as a pure function of the list and what was found: each entry
// gets its state ("一致" when size and time agree to the whole second in
// local time, a time in the hour a clock change repeats matching either
// reading; "変更" with the new size and time, the total following; "なし";
// "読めない"; "内容変更" when the content's digest no longer matches the one
// recorded), and the files found that the list lacks are appended as "新規".
CheckCounts ApplyCheck(EntryTable &table, Findings &findings);

// The disk as the other source. Prepared from the list on the window's
// thread; checkDirectories runs on workers over what it owns; the findings
// are taken on the window's thread again.
struct DiskCheck {
    std::vector<DirectoryCheck> directories;
    std::vector<std::pair<quint32, quint32>> place; // entry i at place[i - 1]: directory, name
};
DiskCheck PrepareDiskCheck(const EntryTable &table);
Findings DiskFindings(DiskCheck &check);

// Another list as the other source: entries matched by directory and name.
Findings ListFindings(const EntryTable &table, const EntryTable &other);

} // namespace qn

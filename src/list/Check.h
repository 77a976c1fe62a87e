#pragma once

#include "list/ListEntry.h"
#include "platform/CheckPass.h"
#include "platform/NameFilter.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace qn {

class EntryTable;

// A state's name as the window, the list file, the CSV and the workbook
// show it: "一致", "変更", "なし", "新規", "読めない", "内容変更"; empty for an
// entry not checked.
QString stateText(CheckState state);
// The same state's name as the command line prints it: "same", "changed",
// "missing", "new", "unreadable", "content"; nullptr for an entry not
// checked.
const char *stateWord(CheckState state);
// How many states there are, None included: keep ContentChanged the last one
// or move this along.
constexpr int CheckStateCount = int(CheckState::ContentChanged) + 1;
// The states a check gives an entry whose file it found with other values,
// which go beside the record (the "現在" columns) and are taken by applying.
constexpr bool carriesFound(CheckState state)
{
    return state == CheckState::Changed || state == CheckState::ContentChanged;
}

// What a check against the disk walks for files the list lacks: folders,
// each with or without its subdirectories, as a tree add takes them (the
// filter in force, links not followed, each directory once).
struct CheckScope {
    std::vector<ScopeFolder> folders; // each path ends in the separator

    CheckScope() = default;
    // Every folder with the same choice.
    CheckScope(const QStringList &paths, bool subdirectories);
    QStringList paths() const;
};

// The scope a check proposes: the folders the list's adds came from, each
// with its subdirectories when a tree add took it; for a list without any
// (read from a CSV) the deepest folder that holds every listed directory
// or, when that is a volume's root, the listed directories below no other
// one, all with subdirectories when some listed directory lies below a
// scope folder.
CheckScope ProposedScope(const EntryTable &table);

// What another source holds for the record (the entries that are not 新規,
// in list order): one finding each, the files it holds that the record does
// not, and folders below the scope it could not read.
struct Findings {
    std::vector<FoundFile> found;
    std::vector<QByteArray> foundDigests; // from another list: its digest for each entry (empty: none)
    std::vector<WalkedDirectory> added;
    std::vector<QByteArray> addedDigests; // from another list: one for each added file, in order
    QStringList unreadable;
};

struct CheckCounts {
    qint64 same = 0, changed = 0, missing = 0, added = 0, unreadable = 0, contentChanged = 0;
    qint64 differing() const { return changed + missing + added + unreadable + contentChanged; }
};

// Takes the 新規 rows of an earlier check out of the list and forgets its
// states: the record alone stays. The entries removed, for a view to follow.
std::vector<int> NewRows(const EntryTable &table);

// The check as a pure function of the record and what was found: each entry
// gets its state and the record stays as it was. "一致" when size and time
// agree to the whole second in local time (a time in the hour a clock change
// repeats matching either reading); "変更" when the size differs (the content
// is not read) or the time does; "内容変更" when the size agrees and the
// content's digest no longer matches the one recorded; "なし"; "読めない".
// What the source has for 変更 and 内容変更 goes beside the record; the
// files found that the record lacks are appended as "新規". The table must
// hold no 新規 rows (NewRows) and no states.
CheckCounts ApplyCheck(EntryTable &table, Findings &findings);

// The disk as the other source. Prepared from the list (on a worker too,
// while the list stands still; a cancel ends it early, incomplete);
// RunDiskCheck runs on workers over what it owns; the findings are taken on
// the window's thread again.
struct DiskCheck {
    CheckScope scope;
    NameFilter filter;
    // The record was read from code page 932: a name on disk matches one
    // recorded when both give the same bytes in that code page (names that
    // match exactly are paired first, so twins on disk are each counted).
    bool cp932Names = false;
    std::vector<DirectoryCheck> directories;
    std::vector<std::pair<quint32, quint32>> place; // record entry k at place[k - 1]: directory, name
    std::vector<WalkedDirectory> added;
    QStringList unreadable;
    QStringList scopeFailed; // scope folders that could not be opened at all
};
DiskCheck PrepareDiskCheck(const EntryTable &table, const CheckScope &scope = CheckScope(),
                           const NameFilter &filter = NameFilter(), const std::atomic<bool> *cancel = nullptr);
void RunDiskCheck(DiskCheck &check, const std::atomic<bool> &cancel,
                  const TreeWalkProgress &progress = TreeWalkProgress(), int threads = 0);
Findings DiskFindings(DiskCheck &check);

// Another list as the other source: entries matched by directory and name.
Findings ListFindings(const EntryTable &table, const EntryTable &other);

// What applying a check's result does: 変更 and 内容変更 entries take the
// found size, time and digest (digest: the other list's, or none from the
// disk; an entry with nothing found beside it stays as it is); なし entries are removed (their numbers are returned, for a view
// to follow, before anything is removed); 新規 stay; every state is cleared.
std::vector<int> ApplyFound(EntryTable &table);
// The 変更 and 内容変更 entries that have a recorded digest: after a check
// against the disk their digests are computed again.
std::vector<int> EntriesToHashAgain(const EntryTable &table);

} // namespace qn

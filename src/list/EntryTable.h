#pragma once

#include "list/ListEntry.h"
#include "list/NameIndex.h"
#include "platform/FileSystem.h"
#include "platform/TreeWalk.h"

#include <limits>
#include <unordered_map>
#include <vector>

namespace qn {

enum class AppendResult { Added, Duplicate, Failed };

// What a check found for an entry whose record it does not match: the
// source's size and time, and its digest when the source was another list.
struct FoundValues {
    qint64 Size = 0;
    qint64 Modified = 0;
    QByteArray Sha256 = QByteArray();
};

// The list: slot 0 is a blank entry that is never shown, written or matched;
// slots 1..EntryCount() hold the entries in list order. A hash index of
// (directory, name) answers the duplicate test without visiting the table.
class EntryTable {
public:
    EntryTable();

    int EntryCount() const { return int(m_entries.size()) - 1; }
    qint64 TotalBytes() const { return m_totalBytes; }
    const ListEntry &at(int i) const { return m_entries[size_t(i)]; }

    // True when no entry holds fileName in directory (exact, case-sensitive).
    bool IsNewEntry(const QString &directory, const QString &fileName) const;
    // The entry that holds fileName in directory, or 0.
    int Find(const QString &directory, const QString &fileName) const
    {
        return int(findEntry(keyHash(directory, fileName), directory, fileName));
    }

    // Appends directory + fileName as the new last entry unless it is listed.
    // readStamp(FileStamp &) reads its length and time; when that fails, or
    // the total would overflow, nothing changes and the result is Failed.
    template <class ReadStamp>
    AppendResult AppendEntry(const QString &directory, const QString &fileName, ReadStamp &&readStamp)
    {
        const quint32 hash = keyHash(directory, fileName);
        if (findEntry(hash, directory, fileName) != 0)
            return AppendResult::Duplicate;
        FileStamp stamp;
        if (!readStamp(stamp) || !fitsTotal(stamp.size))
            return AppendResult::Failed;
        push(hash, ListEntry{fileName, stamp.size, stamp.modified, directory});
        return AppendResult::Added;
    }
    // The same, reading the stamp through the full path.
    AppendResult AppendEntry(const QString &directory, const QString &fileName);
    // A walked directory's files, in order, taking their names over; the
    // numbers of those refused (the total would pass its limit) go to
    // `refused`, and their names stay where they were.
    void AppendWalked(WalkedDirectory &directory, std::vector<size_t> &refused);

    // A batch whose stamps are read together, after all its names are known:
    // AppendUnstamped appends each name that is new with no stamp yet, then
    // SetStamp gives entry i its stamp (safe from several threads, each
    // entry from one), and CommitStamps(first, ok) keeps the entries from
    // `first` up to the first one whose ok flag is 0 or that would carry the
    // total past its limit; that one and those after it are dropped again.
    // CommitStamps is false when it dropped any.
    bool AppendUnstamped(const QString &directory, const QString &fileName);
    void SetStamp(int i, const FileStamp &stamp);
    bool CommitStamps(int first, const std::vector<char> &ok);

    // Removes entry r (1 <= r <= EntryCount()); later entries move up by one.
    void RemoveEntry(int r);
    // Removes the given entries (any order, duplicates allowed) in one pass;
    // the others keep their order.
    void RemoveEntries(std::vector<int> entries);
    // Puts the entries in a new order: order[k] is the entry that becomes
    // entry k + 1; it holds every entry exactly once.
    void Reorder(const std::vector<int> &order);
    // Back to slot 0 alone, and no longer checked.
    void Clear();

    // Whether the list has been checked since it was made: its entries then
    // carry states.
    bool IsChecked() const { return m_checked; }
    // Entry i's state after a check; a changed one also its new stamp (the
    // total follows; false, and nothing changes, when it would overflow).
    bool SetChecked(int i, CheckState state, const FileStamp *stamp = nullptr);
    void MarkChecked() { m_checked = true; }
    // What the last check found for entries that differ, beside the record:
    // held for those entries alone (none at all while none differs), so a
    // list costs nothing more per entry for being checked.
    bool HasFound() const { return !m_found.empty(); }
    // Entry i's found values; zeros for an entry that has none.
    const FoundValues &found(int i) const;
    bool HasFound(int i) const { return m_found.find(quint32(i)) != m_found.end(); }
    void SetFound(int i, FoundValues values);
    // Every state back to none and the found values gone; the record stays.
    void ClearCheck();

    // The folders the adds took files from since the list was started, each once.
    void RememberFolder(const QString &path, bool subdirectories);
    const std::vector<ScopeFolder> &RememberedFolders() const { return m_folders; }

    // Whether any entry has had its digest computed since the list was made.
    bool HasDigests() const { return m_hasDigests; }
    void SetDigest(int i, const QByteArray &digest)
    {
        m_entries[size_t(i)].Sha256 = digest;
        m_hasDigests = m_hasDigests || !digest.isEmpty();
    }

    void SetMinuteOnly(int i, bool minuteOnly) { m_entries[size_t(i)].MinuteOnly = minuteOnly; }

    // Room for `more` further entries without growing.
    void reserve(qsizetype more);

private:
    quint32 keyHash(const QString &directory, QStringView fileName) const;
    quint32 findEntry(quint32 hash, const QString &directory, QStringView fileName) const;
    bool fitsTotal(qint64 size) const
    {
        return size >= 0 && size <= std::numeric_limits<qint64>::max() - m_totalBytes;
    }
    void push(quint32 hash, ListEntry &&entry);
    // The found values follow their entries to their new numbers (0: removed).
    void renumberFound(const std::vector<quint32> &newNumber);

    std::vector<ListEntry> m_entries;
    std::unordered_map<quint32, FoundValues> m_found; // by entry
    std::vector<ScopeFolder> m_folders;
    qint64 m_totalBytes = 0;
    bool m_checked = false;
    bool m_hasDigests = false;
    NameIndex m_index;
    // Adds of a directory come in runs with one shared directory string:
    // its hash is computed once.
    mutable QString m_hashedDirectory;
    mutable size_t m_directoryHash = 0;
};

} // namespace qn

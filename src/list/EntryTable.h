#pragma once

#include "list/FlatArray.h"
#include "list/ListEntry.h"
#include "list/NameIndex.h"
#include "platform/FileSystem.h"
#include "platform/TreeWalk.h"

#include <QHash>

#include <algorithm>
#include <limits>
#include <unordered_map>
#include <vector>

namespace qn {

enum class AppendResult { Added, Duplicate, Failed };

// A file read from a saved list: its stamp, and where its name lies in a
// block of text that holds the names of all the list's files.
struct NamedFile {
    FileStamp stamp;
    quint32 name = 0;
    quint32 nameLength = 0;
};

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
//
// An entry is held in 32 bytes: its size, time, state, the place of its name
// in one shared block of UTF-16 text and the number of its directory in a
// table of the list's directories. Digests take room only once one is
// computed, and the found values of a check only for entries that differ.
class EntryTable {
public:
    EntryTable();

    int EntryCount() const { return int(m_records.size()) - 1; }
    qint64 TotalBytes() const { return m_totalBytes; }
    // Entry i as a whole, made when asked; the accessors below read one
    // field without making anything.
    ListEntry at(int i) const;

    // The name points into the table: valid until the table next changes.
    QStringView fileName(int i) const
    {
        const Record &r = m_records[size_t(i)];
        return QStringView(m_names.data() + r.name, qsizetype(r.nameLength));
    }
    const QString &directory(int i) const { return m_directories[m_records[size_t(i)].directory]; }
    // Entries with the same directory number have the same directory; the
    // numbers run from 0 to DirectoryCount() - 1 in order of first use.
    quint32 directoryNumber(int i) const { return m_records[size_t(i)].directory; }
    size_t DirectoryCount() const { return m_directories.size(); }
    const QString &directoryAt(quint32 number) const { return m_directories[number]; }
    qint64 size(int i) const { return m_records[size_t(i)].size; }
    qint64 modified(int i) const { return m_records[size_t(i)].modified; }
    CheckState state(int i) const { return m_records[size_t(i)].state; }
    bool minuteOnly(int i) const { return m_records[size_t(i)].minuteOnly; }
    // Empty until computed.
    const QByteArray &digest(int i) const
    {
        static const QByteArray none;
        return m_digests.empty() ? none : m_digests[size_t(i)];
    }

    // True when no entry holds fileName in directory (exact, case-sensitive).
    bool IsNewEntry(const QString &directory, const QString &fileName) const;
    // The entry that holds fileName in directory, or 0.
    int Find(const QString &directory, QStringView fileName) const;

    // Appends directory + fileName as the new last entry unless it is listed.
    // readStamp(FileStamp &) reads its length and time; when that fails, or
    // the total would overflow, nothing changes and the result is Failed.
    template <class ReadStamp>
    AppendResult AppendEntry(const QString &directory, const QString &fileName, ReadStamp &&readStamp)
    {
        const quint32 dir = directoryFor(directory);
        const quint32 hash = keyHash(dir, fileName);
        if (findEntry(hash, dir, fileName) != 0)
            return AppendResult::Duplicate;
        FileStamp stamp;
        if (!readStamp(stamp) || !fitsTotal(stamp.size))
            return AppendResult::Failed;
        push(hash, dir, fileName, stamp.size, stamp.modified);
        return AppendResult::Added;
    }
    // The same, reading the stamp through the full path.
    AppendResult AppendEntry(const QString &directory, const QString &fileName);
    // A walked directory's files, in order, taking their names over; the
    // numbers of those refused (the total would pass its limit) go to
    // `refused`, and their names stay where they were.
    void AppendWalked(WalkedDirectory &directory, std::vector<size_t> &refused);
    // The same for n files whose names lie in `text`. entryOf(i, entry) is
    // told, for each file in turn, the entry that holds it now: the new one,
    // the one that held it already, or 0 when it was refused.
    template <class EntryOf>
    void AppendNamed(const QString &directory, const NamedFile *files, size_t n, const char16_t *text,
                     std::vector<size_t> &refused, EntryOf &&entryOf)
    {
        if (n == 0)
            return;
        const quint32 dir = directoryFor(directory);
        // Names in the table's own text are pointed at where they are.
        const bool own = text == m_names.data();
        const auto nameOf = [&](size_t i) { return QStringView(text + files[i].name, qsizetype(files[i].nameLength)); };
        appendAhead(dir, n, nameOf, [&](size_t i, quint32 hash) {
            const NamedFile &f = files[i];
            if (const quint32 held = findEntry(hash, dir, nameOf(i))) {
                entryOf(i, int(held));
                return;
            }
            if (!fitsTotal(f.stamp.size)) {
                refused.push_back(i);
                entryOf(i, 0);
                return;
            }
            if (own)
                pushTaken(hash, dir, f.name, f.nameLength, f.stamp.size, f.stamp.modified);
            else
                push(hash, dir, nameOf(i), f.stamp.size, f.stamp.modified);
            entryOf(i, EntryCount());
        });
    }
    // While the table holds no name text: `text` becomes the table's own,
    // and names appended from it (NameText()) are not copied. False, and
    // nothing changes, when the table has text of its own.
    bool TakeNames(FlatArray<char16_t> &text);
    const char16_t *NameText() const { return m_names.data(); }

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
    void SetDigest(int i, const QByteArray &digest);

    void SetMinuteOnly(int i, bool minuteOnly) { m_records[size_t(i)].minuteOnly = minuteOnly; }

    // Room for `more` further entries without growing.
    void reserve(qsizetype more);

private:
    struct Record {
        qint64 size;
        qint64 modified;
        quint32 name; // where the name starts in m_names
        quint32 nameLength;
        quint32 directory; // in m_directories
        CheckState state;
        bool minuteOnly;
    };
    static constexpr quint32 NoDirectory = quint32(-1);

    // The directory's number, made when it is new.
    quint32 directoryFor(const QString &directory);
    // The directory's number, or NoDirectory when no entry is in it.
    quint32 knownDirectory(const QString &directory) const;
    quint32 keyHash(quint32 directory, QStringView fileName) const;
    quint32 findEntry(quint32 hash, quint32 directory, QStringView fileName) const;
    bool fitsTotal(qint64 size) const
    {
        return size >= 0 && size <= std::numeric_limits<qint64>::max() - m_totalBytes;
    }
    void push(quint32 hash, quint32 directory, QStringView fileName, qint64 size, qint64 modified);
    // The same for a name already in m_names.
    void pushTaken(quint32 hash, quint32 directory, quint32 name, quint32 nameLength, qint64 size, qint64 modified);
    // Runs each(i, hash) for files 0..n-1 of a directory. The index is far
    // larger than the cache: each lookup's slot is fetched a few files
    // ahead, so the lookups overlap instead of waiting in turn.
    template <class NameOf, class Each>
    void appendAhead(quint32 directory, size_t n, const NameOf &nameOf, const Each &each)
    {
        constexpr size_t Ahead = 8;
        quint32 hashes[Ahead];
        for (size_t i = 0; i < std::min(n, Ahead); ++i) {
            hashes[i] = keyHash(directory, nameOf(i));
            m_index.prefetch(hashes[i]);
        }
        for (size_t i = 0; i < n; ++i) {
            const quint32 hash = hashes[i % Ahead];
            if (i + Ahead < n) {
                hashes[i % Ahead] = keyHash(directory, nameOf(i + Ahead));
                m_index.prefetch(hashes[i % Ahead]);
            }
            each(i, hash);
        }
    }
    // After removals: the names still in use written afresh when most of
    // the text is no longer used.
    void compactNames();
    // The found values follow their entries to their new numbers (0: removed).
    void renumberFound(const std::vector<quint32> &newNumber);

    FlatArray<Record> m_records;
    FlatArray<char16_t> m_names;
    size_t m_namesInUse = 0; // characters of m_names that entries point at
    std::vector<QString> m_directories;
    std::vector<size_t> m_directoryHashes;
    QHash<QString, quint32> m_directoryNumbers;
    // One per entry once any digest is set; none before.
    std::vector<QByteArray> m_digests;
    std::unordered_map<quint32, FoundValues> m_found; // by entry
    std::vector<ScopeFolder> m_folders;
    qint64 m_totalBytes = 0;
    bool m_checked = false;
    bool m_hasDigests = false;
    NameIndex m_index;
    // Adds of a directory come in runs with one shared directory string:
    // its number is looked up once.
    mutable QString m_lastDirectory;
    mutable quint32 m_lastDirectoryNumber = NoDirectory;
};

} // namespace qn

#pragma once

#include "list/ListEntry.h"
#include "platform/FileSystem.h"

#include <QSet>

#include <limits>
#include <unordered_map>
#include <vector>

namespace qn {

enum class AppendResult { Added, Duplicate, Failed };

// The list: slot 0 is a blank entry that is never shown, written or matched;
// slots 1..EntryCount() hold the entries in the order they were added.
// A hash index of (directory, name) answers the duplicate test without
// visiting the table.
class EntryTable {
public:
    EntryTable();

    int EntryCount() const { return int(m_entries.size()) - 1; }
    qint64 TotalBytes() const { return m_totalBytes; }
    const ListEntry &at(int i) const { return m_entries[size_t(i)]; }

    // True when no entry holds fileName in directory (exact, case-sensitive).
    bool IsNewEntry(const QString &directory, const QString &fileName) const;

    // Appends directory + fileName as the new last entry unless it is listed.
    // readStamp(FileStamp &) reads its length and time; when that fails, or
    // the total would overflow, nothing changes and the result is Failed.
    template <class ReadStamp>
    AppendResult AppendEntry(const QString &directory, const QString &fileName, ReadStamp &&readStamp)
    {
        NameSet &names = namesIn(directory);
        if (names.contains(fileName))
            return AppendResult::Duplicate;
        FileStamp stamp;
        if (!readStamp(stamp) || stamp.size < 0 || stamp.size > std::numeric_limits<qint64>::max() - m_totalBytes)
            return AppendResult::Failed;
        names.insert(fileName);
        m_entries.push_back(ListEntry{fileName, stamp.size, stamp.modified, directory});
        m_totalBytes += stamp.size;
        return AppendResult::Added;
    }

    // The same, reading the stamp through the full path.
    AppendResult AppendEntry(const QString &directory, const QString &fileName);

    // Removes entry r (1 <= r <= EntryCount()); later entries move up by one.
    void RemoveEntry(int r);
    // Back to slot 0 alone.
    void Clear();

    // Room for `more` further entries in directory, growing geometrically.
    void reserve(const QString &directory, int more);

private:
    using NameSet = QSet<QString>;
    NameSet &namesIn(const QString &directory);
    bool isLastDirectory(const QString &directory) const;

    std::vector<ListEntry> m_entries;
    qint64 m_totalBytes = 0;
    std::unordered_map<QString, NameSet> m_index;
    // Adds of a directory come in runs; remember the last set looked up.
    mutable QString m_lastDirectory;
    mutable NameSet *m_lastNames = nullptr;
};

} // namespace qn

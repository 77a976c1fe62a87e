#include "list/EntryTable.h"

#include <QHash>

#include <algorithm>

namespace qn {

namespace {
constexpr size_t DirectorySeed = 0x9e3779b9;
}

EntryTable::EntryTable()
{
    Clear();
}

quint32 EntryTable::keyHash(const QString &directory, QStringView fileName) const
{
    // The same shared string, as in a directory add, needs no comparison.
    const bool same = (m_hashedDirectory.constData() == directory.constData()
                       && m_hashedDirectory.size() == directory.size())
                      || m_hashedDirectory == directory;
    if (!same) {
        m_hashedDirectory = directory;
        m_directoryHash = qHash(directory, DirectorySeed);
    }
    const size_t h = qHash(fileName, m_directoryHash);
    return quint32(h ^ (quint64(h) >> 32));
}

quint32 EntryTable::findEntry(quint32 hash, const QString &directory, QStringView fileName) const
{
    return m_index.find(hash, [&](quint32 i) {
        const ListEntry &e = m_entries[i];
        return e.FileName == fileName && e.Directory == directory;
    });
}

bool EntryTable::IsNewEntry(const QString &directory, const QString &fileName) const
{
    return findEntry(keyHash(directory, fileName), directory, fileName) == 0;
}

void EntryTable::push(quint32 hash, ListEntry &&entry)
{
    m_totalBytes += entry.Size;
    m_entries.push_back(std::move(entry));
    m_index.insert(hash, quint32(m_entries.size() - 1));
}

AppendResult EntryTable::AppendEntry(const QString &directory, const QString &fileName)
{
    const QString path = directory + fileName;
    return AppendEntry(directory, fileName, [&](FileStamp &stamp) { return readFileStamp(path, stamp); });
}

void EntryTable::AppendWalked(WalkedDirectory &directory, std::vector<size_t> &refused)
{
    // The index is far larger than the cache: each lookup's slot is fetched
    // a few files ahead, so the lookups overlap instead of waiting in turn.
    constexpr size_t Ahead = 8;
    std::vector<WalkedFile> &files = directory.files;
    const size_t n = files.size();
    quint32 hashes[Ahead];
    for (size_t i = 0; i < std::min(n, Ahead); ++i) {
        hashes[i] = keyHash(directory.path, files[i].name);
        m_index.prefetch(hashes[i]);
    }
    for (size_t i = 0; i < n; ++i) {
        const quint32 hash = hashes[i % Ahead];
        if (i + Ahead < n) {
            hashes[i % Ahead] = keyHash(directory.path, files[i + Ahead].name);
            m_index.prefetch(hashes[i % Ahead]);
        }
        WalkedFile &f = files[i];
        if (findEntry(hash, directory.path, f.name) != 0)
            continue;
        if (!fitsTotal(f.stamp.size)) {
            refused.push_back(i);
            continue;
        }
        push(hash, ListEntry{std::move(f.name), f.stamp.size, f.stamp.modified, directory.path});
    }
}

bool EntryTable::AppendUnstamped(const QString &directory, const QString &fileName)
{
    const quint32 hash = keyHash(directory, fileName);
    if (findEntry(hash, directory, fileName) != 0)
        return false;
    push(hash, ListEntry{fileName, 0, 0, directory});
    return true;
}

void EntryTable::SetStamp(int i, const FileStamp &stamp)
{
    ListEntry &e = m_entries[size_t(i)];
    e.Size = stamp.size;
    e.Modified = stamp.modified;
}

bool EntryTable::CommitStamps(int first, const std::vector<char> &ok)
{
    int keep = first;
    for (; keep <= EntryCount(); ++keep) {
        const size_t k = size_t(keep - first);
        if (k >= ok.size() || !ok[k] || !fitsTotal(m_entries[size_t(keep)].Size))
            break;
        m_totalBytes += m_entries[size_t(keep)].Size;
    }
    if (keep > EntryCount())
        return true;
    for (int i = EntryCount(); i >= keep; --i) {
        const ListEntry &e = m_entries[size_t(i)];
        m_index.remove(keyHash(e.Directory, e.FileName), quint32(i));
        m_entries.pop_back();
    }
    return false;
}

void EntryTable::RemoveEntry(int r)
{
    if (r < 1 || r > EntryCount())
        return;
    const ListEntry &gone = m_entries[size_t(r)];
    m_index.remove(keyHash(gone.Directory, gone.FileName), quint32(r));
    m_index.closeGap(quint32(r));
    m_totalBytes -= gone.Size;
    m_entries.erase(m_entries.begin() + r);
    if (!m_found.empty()) {
        std::unordered_map<quint32, FoundValues> moved;
        for (auto &[i, values] : m_found) {
            if (i != quint32(r))
                moved.emplace(i > quint32(r) ? i - 1 : i, std::move(values));
        }
        m_found.swap(moved);
    }
}

void EntryTable::RemoveEntries(std::vector<int> entries)
{
    std::sort(entries.begin(), entries.end());
    entries.erase(std::unique(entries.begin(), entries.end()), entries.end());
    // One pass: the entries that stay move up over the gaps, the index
    // forgets the removed ones and renumbers the rest.
    std::vector<quint32> newNumber(m_entries.size(), 0);
    auto gone = entries.begin();
    size_t kept = 1;
    for (size_t i = 1; i < m_entries.size(); ++i) {
        while (gone != entries.end() && *gone < int(i))
            ++gone;
        if (gone != entries.end() && *gone == int(i)) {
            const ListEntry &e = m_entries[i];
            m_index.remove(keyHash(e.Directory, e.FileName), quint32(i));
            m_totalBytes -= e.Size;
            continue;
        }
        newNumber[i] = quint32(kept);
        if (kept != i)
            m_entries[kept] = std::move(m_entries[i]);
        ++kept;
    }
    if (kept == m_entries.size())
        return;
    m_entries.resize(kept);
    renumberFound(newNumber);
    m_index.renumber(newNumber);
}

void EntryTable::Reorder(const std::vector<int> &order)
{
    if (order.size() != size_t(EntryCount()))
        return;
    std::vector<quint32> newNumber(m_entries.size(), 0);
    std::vector<ListEntry> reordered;
    reordered.reserve(m_entries.size());
    reordered.emplace_back();
    for (int i : order) {
        if (i < 1 || size_t(i) >= m_entries.size() || newNumber[size_t(i)] != 0)
            return; // not a permutation: nothing has moved yet
        newNumber[size_t(i)] = quint32(reordered.size());
        reordered.emplace_back();
    }
    for (size_t i = 1; i < m_entries.size(); ++i)
        reordered[newNumber[i]] = std::move(m_entries[i]);
    m_entries.swap(reordered);
    renumberFound(newNumber);
    m_index.renumber(newNumber);
}

void EntryTable::reserve(qsizetype more)
{
    const size_t needed = m_entries.size() + size_t(more);
    if (needed > m_entries.capacity())
        m_entries.reserve(std::max(needed, m_entries.capacity() + m_entries.capacity() / 2));
    m_index.reserve(needed);
}

bool EntryTable::SetChecked(int i, CheckState state, const FileStamp *stamp)
{
    ListEntry &e = m_entries[size_t(i)];
    if (stamp) {
        const qint64 without = m_totalBytes - e.Size;
        if (stamp->size < 0 || stamp->size > std::numeric_limits<qint64>::max() - without)
            return false;
        m_totalBytes = without + stamp->size;
        e.Size = stamp->size;
        e.Modified = stamp->modified;
        e.MinuteOnly = false; // the disk's time has its seconds
    }
    e.State = state;
    return true;
}

const FoundValues &EntryTable::found(int i) const
{
    static const FoundValues none;
    const auto it = m_found.find(quint32(i));
    return it == m_found.end() ? none : it->second;
}

void EntryTable::SetFound(int i, FoundValues values)
{
    m_found[quint32(i)] = std::move(values);
}

void EntryTable::renumberFound(const std::vector<quint32> &newNumber)
{
    if (m_found.empty())
        return;
    std::unordered_map<quint32, FoundValues> moved;
    moved.reserve(m_found.size());
    for (auto &[i, values] : m_found) {
        if (i < newNumber.size() && newNumber[i] != 0)
            moved.emplace(newNumber[i], std::move(values));
    }
    m_found.swap(moved);
}

void EntryTable::ClearCheck()
{
    for (ListEntry &e : m_entries)
        e.State = CheckState::None;
    std::unordered_map<quint32, FoundValues>().swap(m_found);
    m_checked = false;
}

void EntryTable::RememberFolder(const QString &path, bool subdirectories)
{
    for (ScopeFolder &f : m_folders) {
        if (f.path == path) {
            f.subdirectories = f.subdirectories || subdirectories;
            return;
        }
    }
    m_folders.push_back(ScopeFolder{path, subdirectories});
}

void EntryTable::Clear()
{
    std::vector<ListEntry>().swap(m_entries);
    std::unordered_map<quint32, FoundValues>().swap(m_found);
    m_folders.clear();
    m_entries.emplace_back();
    m_totalBytes = 0;
    m_checked = false;
    m_hasDigests = false;
    m_index.clear();
    m_hashedDirectory.clear();
    m_directoryHash = qHash(m_hashedDirectory, DirectorySeed);
}

} // namespace qn

#include "list/EntryTable.h"

#include <QHash>

#include <algorithm>
#include <limits>
#include <new>

namespace qn {

namespace {
constexpr size_t DirectorySeed = 0x9e3779b9;
}

EntryTable::EntryTable()
{
    Clear();
}

ListEntry EntryTable::at(int i) const
{
    const Record &r = m_records[size_t(i)];
    ListEntry e;
    e.FileName = fileName(i).toString();
    e.Size = r.size;
    e.Modified = r.modified;
    e.Directory = m_directories[r.directory];
    e.State = r.state;
    e.MinuteOnly = r.minuteOnly;
    e.Sha256 = digest(i);
    return e;
}

quint32 EntryTable::knownDirectory(const QString &directory) const
{
    // The same shared string, as in a directory add, needs no lookup.
    if (m_lastDirectoryNumber != NoDirectory
        && ((m_lastDirectory.constData() == directory.constData() && m_lastDirectory.size() == directory.size())
            || m_lastDirectory == directory))
        return m_lastDirectoryNumber;
    const auto it = m_directoryNumbers.constFind(directory);
    const quint32 number = it == m_directoryNumbers.constEnd() ? NoDirectory : *it;
    if (number != NoDirectory) {
        m_lastDirectory = directory;
        m_lastDirectoryNumber = number;
    }
    return number;
}

quint32 EntryTable::directoryFor(const QString &directory)
{
    quint32 number = knownDirectory(directory);
    if (number != NoDirectory)
        return number;
    number = quint32(m_directories.size());
    m_directories.push_back(directory);
    m_directoryHashes.push_back(qHash(directory, DirectorySeed));
    m_directoryNumbers.insert(directory, number);
    m_lastDirectory = directory;
    m_lastDirectoryNumber = number;
    return number;
}

quint32 EntryTable::keyHash(quint32 directory, QStringView fileName) const
{
    const size_t h = qHash(fileName, m_directoryHashes[directory]);
    return quint32(h ^ (quint64(h) >> 32));
}

quint32 EntryTable::findEntry(quint32 hash, quint32 directory, QStringView fileName) const
{
    return m_index.find(hash, [&](quint32 i) {
        const Record &r = m_records[i];
        return r.directory == directory && fileName == QStringView(m_names.data() + r.name, qsizetype(r.nameLength));
    });
}

bool EntryTable::IsNewEntry(const QString &directory, const QString &fileName) const
{
    return Find(directory, fileName) == 0;
}

int EntryTable::Find(const QString &directory, QStringView fileName) const
{
    const quint32 dir = knownDirectory(directory);
    return dir == NoDirectory ? 0 : int(findEntry(keyHash(dir, fileName), dir, fileName));
}

void EntryTable::push(quint32 hash, quint32 directory, QStringView fileName, qint64 size, qint64 modified)
{
    const size_t start = m_names.size();
    if (start + size_t(fileName.size()) > std::numeric_limits<quint32>::max())
        throw std::bad_alloc();
    m_names.append(reinterpret_cast<const char16_t *>(fileName.utf16()), size_t(fileName.size()));
    pushTaken(hash, directory, quint32(start), quint32(fileName.size()), size, modified);
}

void EntryTable::pushTaken(quint32 hash, quint32 directory, quint32 name, quint32 nameLength, qint64 size,
                           qint64 modified)
{
    m_namesInUse += nameLength;
    m_records.push_back(Record{size, modified, name, nameLength, directory, CheckState::None, false});
    if (!m_digests.empty())
        m_digests.emplace_back();
    m_totalBytes += size;
    m_index.insert(hash, quint32(m_records.size() - 1));
}

bool EntryTable::TakeNames(FlatArray<char16_t> &text)
{
    if (!m_names.empty() || text.size() > std::numeric_limits<quint32>::max())
        return false;
    m_names.swap(text);
    return true;
}

AppendResult EntryTable::AppendEntry(const QString &directory, const QString &fileName)
{
    const QString path = directory + fileName;
    return AppendEntry(directory, fileName, [&](FileStamp &stamp) { return readFileStamp(path, stamp); });
}

void EntryTable::AppendWalked(WalkedDirectory &directory, std::vector<size_t> &refused)
{
    const std::vector<WalkedFile> &files = directory.files;
    const size_t n = files.size();
    if (n == 0)
        return;
    const quint32 dir = directoryFor(directory.path);
    // The walk's own string stands for the directory from now on: its files
    // share it with the walk (an equal string held before goes).
    if (m_directories[dir].constData() != directory.path.constData()) {
        m_directories[dir] = directory.path;
        m_lastDirectory = directory.path;
    }
    appendAhead(dir, n, [&](size_t i) { return QStringView(files[i].name); }, [&](size_t i, quint32 hash) {
        const WalkedFile &f = files[i];
        if (findEntry(hash, dir, f.name) != 0)
            return;
        if (!fitsTotal(f.stamp.size)) {
            refused.push_back(i);
            return;
        }
        push(hash, dir, f.name, f.stamp.size, f.stamp.modified);
    });
}

bool EntryTable::AppendUnstamped(const QString &directory, const QString &fileName)
{
    const quint32 dir = directoryFor(directory);
    const quint32 hash = keyHash(dir, fileName);
    if (findEntry(hash, dir, fileName) != 0)
        return false;
    push(hash, dir, fileName, 0, 0);
    return true;
}

void EntryTable::SetStamp(int i, const FileStamp &stamp)
{
    Record &r = m_records[size_t(i)];
    r.size = stamp.size;
    r.modified = stamp.modified;
}

bool EntryTable::CommitStamps(int first, const std::vector<char> &ok)
{
    int keep = first;
    for (; keep <= EntryCount(); ++keep) {
        const size_t k = size_t(keep - first);
        if (k >= ok.size() || !ok[k] || !fitsTotal(m_records[size_t(keep)].size))
            break;
        m_totalBytes += m_records[size_t(keep)].size;
    }
    if (keep > EntryCount())
        return true;
    for (int i = EntryCount(); i >= keep; --i) {
        const Record &r = m_records[size_t(i)];
        m_index.remove(keyHash(r.directory, fileName(i)), quint32(i));
        m_namesInUse -= r.nameLength;
        // The dropped names were the last ones written: their room is free again.
        if (size_t(r.name) + r.nameLength == m_names.size())
            m_names.resize(r.name);
        m_records.pop_back();
        if (!m_digests.empty())
            m_digests.pop_back();
    }
    return false;
}

void EntryTable::RemoveEntry(int r)
{
    if (r < 1 || r > EntryCount())
        return;
    std::vector<int> one{r};
    RemoveEntries(std::move(one));
}

void EntryTable::RemoveEntries(std::vector<int> entries)
{
    std::sort(entries.begin(), entries.end());
    entries.erase(std::unique(entries.begin(), entries.end()), entries.end());
    // One pass: the entries that stay move up over the gaps, the index
    // forgets the removed ones and renumbers the rest.
    std::vector<quint32> newNumber(m_records.size(), 0);
    auto gone = entries.begin();
    size_t kept = 1;
    for (size_t i = 1; i < m_records.size(); ++i) {
        while (gone != entries.end() && *gone < int(i))
            ++gone;
        if (gone != entries.end() && *gone == int(i)) {
            const Record &r = m_records[i];
            m_index.remove(keyHash(r.directory, fileName(int(i))), quint32(i));
            m_totalBytes -= r.size;
            m_namesInUse -= r.nameLength;
            continue;
        }
        newNumber[i] = quint32(kept);
        if (kept != i) {
            m_records[kept] = m_records[i];
            if (!m_digests.empty())
                m_digests[kept] = std::move(m_digests[i]);
        }
        ++kept;
    }
    if (kept == m_records.size())
        return;
    m_records.resize(kept);
    if (!m_digests.empty())
        m_digests.resize(kept);
    renumberFound(newNumber);
    m_index.renumber(newNumber);
    compactNames();
}

void EntryTable::compactNames()
{
    if (m_namesInUse * 2 + 4096 > m_names.size())
        return;
    FlatArray<char16_t> names;
    names.reserve(m_namesInUse);
    for (size_t i = 1; i < m_records.size(); ++i) {
        Record &r = m_records[i];
        const quint32 start = quint32(names.size());
        names.append(m_names.data() + r.name, r.nameLength);
        r.name = start;
    }
    m_names.swap(names);
}

void EntryTable::Reorder(const std::vector<int> &order)
{
    if (order.size() != size_t(EntryCount()))
        return;
    std::vector<quint32> newNumber(m_records.size(), 0);
    quint32 next = 1;
    for (int i : order) {
        if (i < 1 || size_t(i) >= m_records.size() || newNumber[size_t(i)] != 0)
            return; // not a permutation: nothing has moved yet
        newNumber[size_t(i)] = next++;
    }
    FlatArray<Record> reordered;
    reordered.resize(m_records.size());
    reordered[0] = m_records[0];
    for (size_t i = 1; i < m_records.size(); ++i)
        reordered[newNumber[i]] = m_records[i];
    m_records.swap(reordered);
    reordered.release();
    if (!m_digests.empty()) {
        std::vector<QByteArray> digests(m_digests.size());
        for (size_t i = 1; i < m_digests.size(); ++i)
            digests[newNumber[i]] = std::move(m_digests[i]);
        m_digests.swap(digests);
    }
    renumberFound(newNumber);
    m_index.renumber(newNumber);
}

void EntryTable::reserve(qsizetype more)
{
    const size_t needed = m_records.size() + size_t(more);
    if (needed > m_records.capacity())
        m_records.reserve(std::max(needed, m_records.capacity() + m_records.capacity() / 2));
    m_index.reserve(needed);
}

void EntryTable::SetDigest(int i, const QByteArray &digest)
{
    if (m_digests.empty()) {
        if (digest.isEmpty())
            return;
        m_digests.resize(m_records.size());
    }
    m_digests[size_t(i)] = digest;
    m_hasDigests = m_hasDigests || !digest.isEmpty();
}

bool EntryTable::SetChecked(int i, CheckState state, const FileStamp *stamp)
{
    Record &r = m_records[size_t(i)];
    if (stamp) {
        const qint64 without = m_totalBytes - r.size;
        if (stamp->size < 0 || stamp->size > std::numeric_limits<qint64>::max() - without)
            return false;
        m_totalBytes = without + stamp->size;
        r.size = stamp->size;
        r.modified = stamp->modified;
        r.minuteOnly = false; // the disk's time has its seconds
    }
    r.state = state;
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
    for (size_t i = 0; i < m_records.size(); ++i)
        m_records[i].state = CheckState::None;
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
    m_records.release();
    m_names.release();
    m_namesInUse = 0;
    std::vector<QString>().swap(m_directories);
    std::vector<size_t>().swap(m_directoryHashes);
    m_directoryNumbers = QHash<QString, quint32>();
    std::vector<QByteArray>().swap(m_digests);
    std::unordered_map<quint32, FoundValues>().swap(m_found);
    m_folders.clear();
    m_lastDirectory = QString();
    m_lastDirectoryNumber = NoDirectory;
    m_directoryNumbers.clear();
    // Slot 0: the blank entry, in the empty directory.
    directoryFor(QString());
    m_records.push_back(Record{0, 0, 0, 0, 0, CheckState::None, false});
    m_totalBytes = 0;
    m_checked = false;
    m_hasDigests = false;
    m_index.clear();
}

} // namespace qn

#include "list/EntryTable.h"

#include <algorithm>

namespace qn {

EntryTable::EntryTable()
{
    Clear();
}

bool EntryTable::isLastDirectory(const QString &directory) const
{
    // The same shared string, as in a directory add, needs no comparison.
    return m_lastNames
           && ((m_lastDirectory.constData() == directory.constData() && m_lastDirectory.size() == directory.size())
               || m_lastDirectory == directory);
}

EntryTable::NameSet &EntryTable::namesIn(const QString &directory)
{
    if (isLastDirectory(directory))
        return *m_lastNames;
    m_lastNames = &m_index[directory];
    m_lastDirectory = directory;
    return *m_lastNames;
}

bool EntryTable::IsNewEntry(const QString &directory, const QString &fileName) const
{
    if (isLastDirectory(directory))
        return !m_lastNames->contains(fileName);
    const auto dir = m_index.find(directory);
    return dir == m_index.end() || !dir->second.contains(fileName);
}

AppendResult EntryTable::AppendEntry(const QString &directory, const QString &fileName)
{
    const QString path = directory + fileName;
    return AppendEntry(directory, fileName, [&](FileStamp &stamp) { return readFileStamp(path, stamp); });
}

void EntryTable::reserve(const QString &directory, int more)
{
    const size_t needed = m_entries.size() + size_t(more);
    if (needed > m_entries.capacity())
        m_entries.reserve(std::max(needed, m_entries.capacity() * 2));
    NameSet &names = namesIn(directory);
    names.reserve(names.size() + more);
}

void EntryTable::RemoveEntry(int r)
{
    if (r < 1 || r > EntryCount())
        return;
    const ListEntry &gone = m_entries[size_t(r)];
    const auto dir = m_index.find(gone.Directory);
    if (dir != m_index.end())
        dir->second.remove(gone.FileName);
    m_totalBytes -= gone.Size;
    m_entries.erase(m_entries.begin() + r);
}

void EntryTable::Clear()
{
    m_entries.clear();
    m_entries.shrink_to_fit();
    m_entries.emplace_back();
    m_totalBytes = 0;
    m_index.clear();
    m_lastNames = nullptr;
    m_lastDirectory.clear();
}

} // namespace qn

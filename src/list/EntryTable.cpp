#include "list/EntryTable.h"

namespace qn {

EntryTable::EntryTable()
{
    Clear();
}

EntryTable::NameSet &EntryTable::namesIn(const QString &directory)
{
    // The same shared string, as in a directory add, needs no comparison.
    if (m_lastNames
        && ((m_lastDirectory.constData() == directory.constData() && m_lastDirectory.size() == directory.size())
            || m_lastDirectory == directory))
        return *m_lastNames;
    m_lastNames = &m_index[directory];
    m_lastDirectory = directory;
    return *m_lastNames;
}

bool EntryTable::IsNewEntry(const QString &directory, const QString &fileName) const
{
    const auto dir = m_index.find(directory);
    return dir == m_index.end() || !dir->second.contains(fileName);
}

AppendResult EntryTable::AppendEntry(const QString &directory, const QString &fileName)
{
    const QString path = directory + fileName;
    return AppendEntry(directory, fileName, [&](FileStamp &stamp) { return readFileStamp(path, stamp); });
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

#include "ui/FileList.h"

#include "platform/FileSystem.h"

#include <algorithm>

namespace qn {

int FileNameModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_names.size());
}

QString FileNameModel::nameAt(int row) const
{
    if (row < 0 || size_t(row) >= m_names.size())
        return QString();
    const Span s = m_names[size_t(row)];
    return m_text.mid(s.offset, s.length);
}

QVariant FileNameModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() < 0 || size_t(index.row()) >= m_names.size())
        return {};
    if (role == Qt::DisplayRole)
        return displayName(nameAt(index.row()));
    if (role == Qt::UserRole)
        return nameAt(index.row());
    return {};
}

void FileNameModel::read(const QString &directory, const NameFilter &filter)
{
    beginResetModel();
    m_text.clear();
    m_names.clear();
    DirScanner scan(directory, filter);
    QString name;
    while (scan.next(name)) {
        m_names.push_back(Span{quint32(m_text.size()), quint32(name.size())});
        m_text += name;
    }
    m_text.squeeze();
    m_names.shrink_to_fit();
    const auto view = [this](const Span &s) { return QStringView(m_text).mid(s.offset, s.length); };
    std::sort(m_names.begin(), m_names.end(), [&](const Span &a, const Span &b) { return inListOrder(view(a), view(b)); });
    endResetModel();
}

FileList::FileList(QWidget *parent)
    : QListView(parent)
{
    setModel(&m_model);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
    setLayoutMode(QListView::Batched);
}

void FileList::setPath(const QString &directory)
{
    m_path = directory;
    m_model.read(directory, m_filter);
}

void FileList::setFilter(const NameFilter &filter)
{
    m_filter = filter;
    if (!m_path.isEmpty())
        m_model.read(m_path, m_filter);
}

QString FileList::fileName() const
{
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    if (selected.isEmpty())
        return QString();
    return m_model.nameAt(selected.constFirst().row());
}

} // namespace qn

#include "ui/FileList.h"

#include "platform/FileSystem.h"

#include <algorithm>

namespace qn {

int FileNameModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_names.size());
}

QVariant FileNameModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= m_names.size())
        return {};
    if (role == Qt::DisplayRole)
        return displayName(m_names.at(index.row()));
    if (role == Qt::UserRole)
        return m_names.at(index.row());
    return {};
}

void FileNameModel::setNames(QStringList names)
{
    beginResetModel();
    m_names = std::move(names);
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
    QStringList names;
    DirScanner scan(directory);
    QString name;
    while (scan.next(name))
        names.append(name);
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    m_model.setNames(std::move(names));
}

QString FileList::fileName() const
{
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    if (selected.isEmpty())
        return QString();
    return m_model.nameAt(selected.constFirst().row());
}

} // namespace qn

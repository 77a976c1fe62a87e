#include "ui/DirList.h"

#include "platform/FileSystem.h"

#include <QDir>
#include <QHeaderView>
#include <QStyle>

namespace qn {

namespace {
constexpr int PathRole = Qt::UserRole;
}

QString normalizedDirectory(QString directory)
{
    directory = QDir::fromNativeSeparators(directory);
    while (directory.size() > 1 && directory.endsWith(QLatin1Char('/'))
           && !(directory.size() == 3 && directory.at(1) == QLatin1Char(':')))
        directory.chop(1);
    if (directory.size() == 2 && directory.at(1) == QLatin1Char(':'))
        directory += QLatin1Char('/');
    return directory;
}

DirList::DirList(QWidget *parent)
    : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setIndentation(12);
    setExpandsOnDoubleClick(false);
    // Every level is always open: no expand markers, just the indentation.
    setStyleSheet(QStringLiteral("QTreeView::branch { image: none; border-image: none; }"));
    connect(this, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem *item) { open(item); });
}

void DirList::open(QTreeWidgetItem *item)
{
    if (item)
        setPath(item->data(0, PathRole).toString());
}

bool DirList::setPath(const QString &directory)
{
    const QString target = normalizedDirectory(directory);
    if (target.isEmpty() || !isDirectory(target))
        return false;
    bool readable = false;
    const QStringList children = subdirectories(target, &readable);
    if (!readable)
        return false;

    const bool changed = target != m_path;
    m_path = target;

    clear();
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirIcon);
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);

    // Ancestors: the root, then each directory on the way down.
    QStringList parts = target.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString root = target.startsWith(QLatin1Char('/')) ? QStringLiteral("/") : parts.takeFirst() + QLatin1Char('/');
    QTreeWidgetItem *parentItem = new QTreeWidgetItem(this, {displayName(nativePath(root))});
    parentItem->setData(0, PathRole, root);
    parentItem->setIcon(0, openIcon);
    QString built = root;
    for (const QString &part : parts) {
        built = built.endsWith(QLatin1Char('/')) ? built + part : built + QLatin1Char('/') + part;
        auto *item = new QTreeWidgetItem(parentItem, {displayName(part)});
        item->setData(0, PathRole, built);
        item->setIcon(0, openIcon);
        parentItem = item;
    }
    QTreeWidgetItem *current = parentItem;
    for (const QString &child : children) {
        auto *item = new QTreeWidgetItem(current, {displayName(child)});
        item->setData(0, PathRole, target.endsWith(QLatin1Char('/')) ? target + child : target + QLatin1Char('/') + child);
        item->setIcon(0, closedIcon);
    }
    expandAll();
    setCurrentItem(current);
    scrollToItem(current);

    if (changed)
        emit pathChanged(m_path);
    return true;
}

} // namespace qn

#pragma once

#include <QTreeWidget>

namespace qn {

// Dir1: the current directory's ancestors from the root down, then its
// subdirectories; a double-click (or Enter) opens the directory.
class DirList : public QTreeWidget {
    Q_OBJECT
public:
    explicit DirList(QWidget *parent = nullptr);

    // Without a trailing separator, except at the root.
    QString path() const { return m_path; }
    // Shows directory; false (and nothing changes) when it is no directory.
    // A change emits pathChanged before this returns.
    bool setPath(const QString &directory);

signals:
    void pathChanged(const QString &path);

private:
    void open(QTreeWidgetItem *item);
    QString m_path;
};

// "/a/b/" and "/a/b" are the same directory; the root keeps its separator.
QString normalizedDirectory(QString directory);

} // namespace qn

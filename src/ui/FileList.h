#pragma once

#include <QAbstractListModel>
#include <QListView>

namespace qn {

// The names File1 shows, kept exactly as the file system gave them.
class FileNameModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    void setNames(QStringList names);
    QString nameAt(int row) const { return m_names.value(row); }

private:
    QStringList m_names;
};

// File1: the ordinary files of one directory (no hidden ones), single selection.
class FileList : public QListView {
    Q_OBJECT
public:
    explicit FileList(QWidget *parent = nullptr);

    QString path() const { return m_path; }
    // Lists the ordinary files of directory; an unreadable one lists nothing.
    void setPath(const QString &directory);
    // The selected name without directory; empty when none is selected.
    QString fileName() const;
    int count() const { return m_model.rowCount(); }

private:
    FileNameModel m_model;
    QString m_path;
};

} // namespace qn

#pragma once

#include "platform/NameFilter.h"

#include <QAbstractListModel>
#include <QListView>

#include <vector>

namespace qn {

// The names File1 shows, kept exactly as the file system gave them. They
// stand one after the other in one text: a directory of a million files
// costs a third of what a million separate strings would.
class FileNameModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    // Lists the ordinary files of directory that filter takes, sorted by name.
    void read(const QString &directory, const NameFilter &filter);
    QString nameAt(int row) const;

private:
    struct Span {
        quint32 offset;
        quint32 length;
    };
    QString m_text;
    std::vector<Span> m_names; // in the order shown
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
    // Shows what the directory add would take, and lists again.
    void setFilter(const NameFilter &filter);

private:
    FileNameModel m_model;
    NameFilter m_filter;
    QString m_path;
};

} // namespace qn

#pragma once

#include "platform/NameFilter.h"

#include <QString>
#include <QStringList>

class QProgressBar;

namespace qn {

class CommandContext;
class DirList;
class FileList;

// The controls the list commands read besides the grid.
struct ListWidgets {
    FileList *file = nullptr;
    DirList *dir = nullptr;
    QProgressBar *progress = nullptr;
};

// The commands that build, trim and write the list. They read the controls,
// call the entry table and the list file writer, and show the messages.
class ListCommands {
public:
    ListCommands(const ListWidgets &widgets, CommandContext &context);

    void AddSelectedFile();
    void AddDirectoryFiles();
    // Every ordinary file of Dir1's directory and of all its subdirectories,
    // walked off the window's thread; Cancel leaves the list as it was.
    void AddDirectoryTree();
    // Files and folders dropped from a file manager: a file as one file, a
    // folder as its ordinary files; one operation with one closing message.
    void AddDroppedPaths(const QStringList &paths);
    // Removes the selected rows after a confirmation: with one row exactly
    // as ever, with several in one pass.
    void DeleteSelectedEntry();
    // The selected rows as tab-separated text, the four columns as shown.
    void CopySelectedRows();
    void NewList();
    void MakeListFile();
    // The list as UTF-8 CSV, to a file the user names (list.csv in
    // SaveDirectory to begin with).
    void SaveCsvFile();

    // What the directory, tree and drop adds take from now on.
    void setFilter(const NameFilter &filter);
    const NameFilter &filter() const;

    // Dir1's directory with exactly one trailing separator.
    QString CurrentDirPrefix() const;

private:
    // After a removal the grid keeps the focus, the row now at `row` current.
    void focusRowAfterRemoval(int row);

    ListWidgets m_w;
    CommandContext &m_c;
};

// "リストを作成できませんでした。", what a failed export says.
QString listFailedText();
// The tree add's caption, as its menu items and its progress window show it.
QString addTreeCaption();
// The CSV export's menu item.
QString saveCsvCaption();

} // namespace qn

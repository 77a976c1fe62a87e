#pragma once

#include "platform/NameFilter.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

#include <vector>

class QAction;
class QLabel;
class QProgressBar;
class QTableView;

namespace qn {

class DirList;
class EntryModel;
class EntryTable;
class FileList;
class Messages;
class SaveFileChooser;
class ScopeChooser;
class WorkProgress;
struct CsvList;
struct Findings;
struct ReplacedNames;
struct Services;
struct Settings;

// The controls the list commands read and write.
struct ListWidgets {
    FileList *file = nullptr;
    DirList *dir = nullptr;
    QTableView *grid = nullptr;
    QLabel *panel1 = nullptr;
    QLabel *panel2 = nullptr;
    QProgressBar *progress = nullptr;
    QAction *differencesOnly = nullptr; // checkable: rows that differ alone
};

// The commands that build, trim and write the list. They read the controls,
// call the entry table and the list file writer, and show the messages.
class ListCommands {
public:
    ListCommands(const ListWidgets &widgets, EntryTable &table, EntryModel &model, Settings &settings,
                 const Services &services);
    ~ListCommands();
    ListCommands(const ListCommands &) = delete;
    ListCommands &operator=(const ListCommands &) = delete;

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
    // Appends the rows of a CSV the user names, with their recorded sizes
    // and times, in one batch; nothing from a file it cannot read whole.
    void OpenCsvFile();
    // Gives each entry of the record its state against the disk, on worker
    // threads behind the progress window, after showing the scope walked for
    // files the list lacks; appends those as 新規. The record stays as it was.
    void CheckAgainstDisk();
    // The same against a newer list, read from a CSV.
    void CheckAgainstList();
    // Makes the list what the check found, after a confirmation: changed
    // entries take the found size, time and digest (digests of the disk's
    // files computed again where there were), なし entries leave, states go.
    void ApplyCheckResult();
    // Shows only the rows whose state is not 一致, or every row again.
    void setDifferencesOnly(bool on);
    // The SHA-256 of every entry without one (of the selected rows when more
    // than one is selected), on worker threads behind the progress window;
    // Cancel keeps the digests finished.
    void ComputeSha256Digests();
    // A manifest sha256sum -c can check, where the user says (SHA256SUMS in
    // the common directory of the entries to begin with).
    void SaveSha256Sums();

    // What the directory, tree and drop adds take from now on.
    void setFilter(const NameFilter &filter) { m_filter = filter; }
    const NameFilter &filter() const { return m_filter; }

    // The list's name for exports and pages: the CSV last opened or saved, or
    // the catalogue volume opened, else "リスト".
    QString listTitle() const;
    // A catalogue volume opened as the list gives it its name.
    void setListTitle(const QString &title) { m_title = title; }

    void UpdateStatusTotals();
    // Panel 1 alone: the total in the current unit.
    void UpdateTotalBytesPanel();

    // Dir1's directory with exactly one trailing separator.
    QString CurrentDirPrefix() const;
    // The grid's current row as an entry index; row 1 when none is current.
    int currentRow() const;
    // The entries of the selected rows, in list order; the current row's
    // alone when no row is selected.
    std::vector<int> selectedEntries() const;

private:
    // After a removal the grid keeps the focus, the row now at `row` current.
    void focusRowAfterRemoval(int row);
    // Says which names a file could not hold as they are, if any.
    void reportReplaced(const ReplacedNames &replaced, const QString &text);
    // Reads a list CSV behind the progress window; false, after saying why,
    // when nothing can be taken from it (or the user cancelled).
    bool readCsv(const QString &title, const QString &path, CsvList &list);
    void finishCheck(Findings &findings);
    // A list to open, the dialog starting in the folder of the one opened
    // last (the save folder at first).
    std::optional<QString> chooseToOpen(const QString &title);
    void refreshDifferenceRows();
    // Says how many paths could not be read, naming the first few.
    void reportSkipped(const QStringList &paths);

    ListWidgets m_w;
    EntryTable &m_table;
    EntryModel &m_model;
    Settings &m_settings;
    Messages &m_messages;
    WorkProgress &m_work;
    SaveFileChooser &m_chooser;
    ScopeChooser *m_scope;
    NameFilter m_filter;
    bool m_checkedAgainstDisk = false;
    QString m_openDirectory;
    std::vector<QMetaObject::Connection> m_connections;
    bool m_namesFromCp932 = false; // a CSV read from code page 932 is in the list
    bool m_differencesOnly = false;
    // The base name of the CSV last opened or saved; empty for a new list.
    QString m_title;
};

// "完了！！" and "リストを作成できませんでした。", what a finished or failed
// write says.
QString doneText();
QString listFailedText();
// The tree add's caption, as its menu items and its progress window show it.
QString addTreeCaption();
// The CSV export's menu item.
QString saveCsvCaption();
// The menu items that read a list back and check it.
QString openCsvCaption();
QString checkDiskCaption();
QString checkListCaption();
QString computeSha256Caption();
QString saveSumsCaption();
QString applyResultCaption();
QString differencesOnlyCaption();

} // namespace qn

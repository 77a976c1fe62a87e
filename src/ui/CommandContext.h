#pragma once

#include "platform/NameFilter.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <vector>

class QAction;
class QLabel;
class QTableView;
class QWidget;

namespace qn {

class EntryModel;
class EntryTable;
class Messages;
class SaveFileChooser;
class ScopeChooser;
class WorkProgress;
struct ReplacedNames;
struct Services;
struct Settings;

// The controls the commands read and write.
struct CommandWidgets {
    QTableView *grid = nullptr;
    QLabel *panel1 = nullptr;
    QLabel *panel2 = nullptr;
    QAction *differencesOnly = nullptr; // checkable: rows that differ alone
};

// What every room of commands shares: the list and its grid, the person's
// dialogs and the progress window, and what is known of where the list came
// from. The window makes one and hands it to each kind of command.
class CommandContext {
public:
    CommandContext(const CommandWidgets &widgets, EntryTable &table, EntryModel &model, Settings &settings,
                   const Services &services);
    ~CommandContext();
    CommandContext(const CommandContext &) = delete;
    CommandContext &operator=(const CommandContext &) = delete;

    QTableView *const grid;
    EntryTable &table;
    EntryModel &model;
    Settings &settings;
    Messages &messages;
    WorkProgress &work;
    SaveFileChooser &chooser;
    ScopeChooser *const scope;

    // The window the dialogs and the progress window belong to.
    QWidget *parent() const;

    // What the directory, tree and drop adds and the disk check take.
    NameFilter filter;
    // A CSV read from code page 932 is in the list: a check compares names
    // as that code page has them.
    bool namesFromCp932 = false;
    // The base name of the CSV last opened or saved, or the catalogue volume
    // opened; empty for a new list.
    QString title;
    // The list's name for exports and pages: the title, else "リスト".
    QString listTitle() const;

    void updateStatusTotals();
    // Panel 1 alone: the total in the current unit.
    void updateTotalBytesPanel();

    // The grid's current row as an entry index; row 1 when none is current.
    int currentRow() const;
    // The entries of the selected rows, in list order; the current row's
    // alone when no row is selected.
    std::vector<int> selectedEntries() const;

    // Shows only the rows whose state is not 一致, or every row again.
    void setDifferencesOnly(bool on);
    bool differencesOnly() const { return m_differencesOnly; }
    void refreshDifferenceRows();

    // Says how many paths could not be read, naming the first few.
    void reportSkipped(const QStringList &paths);
    // A message of `first`, then the first few of the paths, as shown.
    void reportPaths(const QString &first, const QStringList &paths);
    // Says which names a file could not hold as they are, if any.
    void reportReplaced(const ReplacedNames &replaced, const QString &text);

private:
    QLabel *m_panel1;
    QLabel *m_panel2;
    QAction *m_differencesOnlyItem;
    bool m_differencesOnly = false;
    std::vector<QMetaObject::Connection> m_connections;
};

// "完了！！", what a finished command says.
QString doneText();

} // namespace qn

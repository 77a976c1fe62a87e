#pragma once

#include "settings/SettingsStore.h"

#include <QWidget>

class QLabel;
class QProgressBar;
class QStatusBar;
class QToolBar;

namespace qn {

class DirList;
class DriveBox;
class EntryModel;
class FileList;
class GridView;
class PaneSplitter;

// The main window's client area: every control at its described place, a
// splitter between the left panes and the grid and one between Dir1 and
// File1. A larger area goes to the grid and the two lists; the splitters'
// positions are the user's.
class MainClient : public QWidget {
    Q_OBJECT
public:
    MainClient(EntryModel &model, QWidget *parent);

    // The splitters' positions as the INI file keeps them: 0 for one the
    // user has left as laid out. setPaneSizes leaves those as they are.
    PaneSizes paneSizes() const;
    void setPaneSizes(const PaneSizes &sizes);

    QToolBar *const toolbar;
    DriveBox *const drive;
    PaneSplitter *const panes; // the left panes | the grid
    PaneSplitter *const lists; // Dir1 over File1
    DirList *const dir;
    FileList *const file;
    GridView *const grid;
    QStatusBar *const statusBar;
    QLabel *const panel1;
    QLabel *const panel2;
    QLabel *const panel3;
    QProgressBar *const progress;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    // Places the controls for the area's size: the described layout at the
    // default size, the grid and the two lists taking what is added.
    void layoutControls();
    void sortByColumn(int column);
    void forgetSortOrder();

    EntryModel &m_model;
    int m_sortColumn = -1; // the column the list is sorted by, -1 when it is not
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};

// Twips to pixels at 96 dpi, and a rectangle given in twips.
int twips(int value);
QRect twipsRect(int left, int top, int width, int height);

// The client area at the described size, in twips.
constexpr int ClientWidth = 8040;
constexpr int ClientHeight = 5730;

} // namespace qn

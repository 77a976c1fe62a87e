#pragma once

#include <QTableView>

#include <vector>

namespace qn {

// The list's grid. Ctrl+Home and Ctrl+End select the row they move to, as
// every other move through the grid does (Qt's own only moves the focus
// frame, and 削除 would then remove a row far from it); with Shift they
// extend the selection. Ctrl+C asks for the selected rows to be copied,
// however the focus came here: the view's own copy takes one cell.
// The last column takes the width the others leave free; the width it was
// given stays its own and comes back when the room goes.
class GridView : public QTableView {
    Q_OBJECT
public:
    explicit GridView(QWidget *parent = nullptr);

    void setModel(QAbstractItemModel *model) override;
    // The width a column was given, by the user or by setColumnWidth: for
    // the stretched last column not the width it shows.
    int givenWidth(int column) const;

signals:
    void copyRequested();
    // A column was given a width (never sent for the stretch).
    void columnWidthGiven(int column, int width);

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    // With nothing current (an empty list) there is no cell to show the
    // focus on: the frame of the rows' area shows it, as the style draws it.
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex &index,
                                                         const QEvent *event = nullptr) const override;

private:
    void sectionResized(int column, int oldSize, int size);
    void stretchLastColumn();
    // The stretched column back to its given width, before the columns change.
    void unstretch();

    int m_stretched = -1; // the column that takes the free width
    int m_stretchedWidth = 0; // its given width
    bool m_stretching = false;
    bool m_titleDragged = false; // the mouse is on a title's border
};

// The rows' first `columns` cells as the model shows them, tab-separated, a
// line each; tabs and line breaks inside a cell become spaces.
QString tabSeparatedRows(const QAbstractItemModel &model, const std::vector<int> &rows, int columns);

} // namespace qn

#pragma once

#include <QTableView>

namespace qn {

// The list's grid. Ctrl+Home and Ctrl+End select the row they move to, as
// every other move through the grid does (Qt's own only moves the focus
// frame, and 削除 would then remove a row far from it); with Shift they
// extend the selection. Ctrl+C asks for the selected rows to be copied,
// however the focus came here: the view's own copy takes one cell.
class GridView : public QTableView {
    Q_OBJECT
public:
    using QTableView::QTableView;

signals:
    void copyRequested();

protected:
    bool event(QEvent *event) override;
    // With nothing current (an empty list) there is no cell to show the
    // focus on: the frame of the rows' area shows it, as the style draws it.
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex &index,
                                                         const QEvent *event = nullptr) const override;
};

} // namespace qn

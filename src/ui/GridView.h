#pragma once

#include <QTableView>

namespace qn {

// The list's grid. Ctrl+Home and Ctrl+End select the row they move to, as
// every other move through the grid does (Qt's own only moves the focus
// frame, and 削除 would then remove a row far from it); with Shift they
// extend the selection.
class GridView : public QTableView {
    Q_OBJECT
public:
    using QTableView::QTableView;

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex &index,
                                                         const QEvent *event = nullptr) const override;
};

} // namespace qn

#include "ui/GridView.h"

#include <QKeyEvent>

namespace qn {

QItemSelectionModel::SelectionFlags GridView::selectionCommand(const QModelIndex &index, const QEvent *event) const
{
    if (event && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<const QKeyEvent *>(event);
        if ((key->key() == Qt::Key_Home || key->key() == Qt::Key_End) && (key->modifiers() & Qt::ControlModifier)) {
            const auto extend = (key->modifiers() & Qt::ShiftModifier) ? QItemSelectionModel::SelectCurrent
                                                                        : QItemSelectionModel::ClearAndSelect;
            return extend | QItemSelectionModel::Rows;
        }
    }
    return QTableView::selectionCommand(index, event);
}

} // namespace qn

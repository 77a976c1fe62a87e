#include "ui/GridView.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>

namespace qn {

GridView::GridView(QWidget *parent)
    : QTableView(parent)
{
    connect(horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int column, int oldSize, int size) { sectionResized(column, oldSize, size); });
    connect(horizontalHeader(), &QHeaderView::sectionCountChanged, this, [this] { stretchLastColumn(); });
    horizontalHeader()->viewport()->installEventFilter(this);
}

bool GridView::eventFilter(QObject *watched, QEvent *event)
{
    // A title's border is dragged between a press and a release on the titles.
    if (watched == horizontalHeader()->viewport()) {
        if (event->type() == QEvent::MouseButtonPress)
            m_titleDragged = true;
        else if (event->type() == QEvent::MouseButtonRelease)
            m_titleDragged = false;
    }
    return QTableView::eventFilter(watched, event);
}

void GridView::setModel(QAbstractItemModel *model)
{
    QTableView::setModel(model);
    // The header has taken the new columns when these arrive.
    connect(model, &QAbstractItemModel::columnsAboutToBeInserted, this, [this] { unstretch(); });
    connect(model, &QAbstractItemModel::columnsAboutToBeRemoved, this, [this] { unstretch(); });
    connect(model, &QAbstractItemModel::modelAboutToBeReset, this, [this] { unstretch(); });
    connect(model, &QAbstractItemModel::columnsInserted, this, [this] { stretchLastColumn(); });
    connect(model, &QAbstractItemModel::columnsRemoved, this, [this] { stretchLastColumn(); });
    connect(model, &QAbstractItemModel::modelReset, this, [this] { stretchLastColumn(); });
}

int GridView::givenWidth(int column) const
{
    return column == m_stretched ? m_stretchedWidth : columnWidth(column);
}

void GridView::sectionResized(int column, int oldSize, int size)
{
    if (m_stretching)
        return;
    if (column == m_stretched) {
        // Dragging the stretched column narrower while it shows more than
        // its own width leaves that width as it was, as the screen does: the
        // free width is never given, nor a width the user never saw.
        if (oldSize > m_stretchedWidth && size < oldSize && (m_titleDragged || size > m_stretchedWidth)) {
            stretchLastColumn();
            return;
        }
        m_stretchedWidth = size;
    }
    emit columnWidthGiven(column, size);
    stretchLastColumn();
}

void GridView::unstretch()
{
    QHeaderView *header = horizontalHeader();
    if (m_stretched >= 0 && m_stretched < header->count() && header->sectionSize(m_stretched) != m_stretchedWidth) {
        m_stretching = true;
        header->resizeSection(m_stretched, m_stretchedWidth);
        m_stretching = false;
    }
    m_stretched = -1;
}

void GridView::stretchLastColumn()
{
    QHeaderView *header = horizontalHeader();
    int last = -1;
    for (int visual = header->count() - 1; visual >= 0 && last < 0; --visual) {
        const int logical = header->logicalIndex(visual);
        if (!header->isSectionHidden(logical))
            last = logical;
    }
    if (last != m_stretched) {
        unstretch();
        m_stretched = last;
        m_stretchedWidth = last >= 0 ? header->sectionSize(last) : 0;
    }
    if (last < 0)
        return;
    const int others = header->length() - header->sectionSize(last);
    const int width = std::max(m_stretchedWidth, viewport()->width() - others);
    if (header->sectionSize(last) != width) {
        m_stretching = true;
        header->resizeSection(last, width);
        m_stretching = false;
    }
}

bool GridView::viewportEvent(QEvent *event)
{
    const bool done = QTableView::viewportEvent(event);
    if (event->type() == QEvent::Resize)
        stretchLastColumn();
    return done;
}

bool GridView::event(QEvent *event)
{
    // Ctrl+C comes to the grid as a key, whatever shortcut carries it
    // elsewhere, and is answered in keyPressEvent.
    if (event->type() == QEvent::ShortcutOverride && static_cast<QKeyEvent *>(event)->matches(QKeySequence::Copy)) {
        event->accept();
        return true;
    }
    return QTableView::event(event);
}

void GridView::paintEvent(QPaintEvent *event)
{
    QTableView::paintEvent(event);
    if (!hasFocus() || currentIndex().isValid())
        return;
    QPainter painter(viewport());
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = viewport()->rect().adjusted(1, 1, -1, -1);
    focus.backgroundColor = palette().color(QPalette::Base);
    if (window()->testAttribute(Qt::WA_KeyboardFocusChange))
        focus.state |= QStyle::State_KeyboardFocusChange;
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
}

void GridView::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Copy)) {
        emit copyRequested();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

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

QString tabSeparatedRows(const QAbstractItemModel &model, const std::vector<int> &rows, int columns)
{
    QString text;
    for (int row : rows) {
        for (int column = 0; column < columns; ++column) {
            QString cell = model.index(row, column).data().toString();
            // A tab or line break inside a name would break the table apart.
            for (QChar &c : cell) {
                if (c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
                    c = QLatin1Char(' ');
            }
            text += cell;
            text += column + 1 < columns ? QLatin1Char('\t') : QLatin1Char('\n');
        }
    }
    return text;
}

} // namespace qn

#include "ui/PaneSplitter.h"

#include <QResizeEvent>

namespace qn {

namespace {

class QuietHandle : public QSplitterHandle {
public:
    using QSplitterHandle::QSplitterHandle;

protected:
    void paintEvent(QPaintEvent *) override {}
};

} // namespace

PaneSplitter::PaneSplitter(Qt::Orientation orientation, QWidget *parent)
    : QSplitter(orientation, parent)
{
    setChildrenCollapsible(false);
    connect(this, &QSplitter::splitterMoved, this, [this] { m_parts = sizes(); });
}

QSplitterHandle *PaneSplitter::createHandle()
{
    return new QuietHandle(orientation(), this);
}

void PaneSplitter::setParts(const QList<int> &parts)
{
    m_parts = parts;
    if (orientation() == Qt::Vertical)
        applyParts();
    else
        setSizes(parts);
}

QList<int> PaneSplitter::parts() const
{
    return orientation() == Qt::Vertical && !m_parts.isEmpty() ? m_parts : sizes();
}

void PaneSplitter::resizeEvent(QResizeEvent *event)
{
    QSplitter::resizeEvent(event);
    if (orientation() == Qt::Vertical)
        applyParts();
}

// Rounded down for the first pane, the rest for the second: the same
// height always gives the same panes, and a restart the panes it left.
void PaneSplitter::applyParts()
{
    if (m_parts.size() != 2 || count() != 2)
        return;
    const qint64 whole = qint64(m_parts[0]) + m_parts[1];
    const int space = contentsRect().height() - handleWidth();
    if (whole <= 0 || space <= 0)
        return;
    const int first = int(space * qint64(m_parts[0]) / whole);
    if (sizes() != QList<int>{first, space - first})
        setSizes({first, space - first});
}

} // namespace qn

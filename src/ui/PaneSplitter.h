#pragma once

#include <QList>
#include <QSplitter>

namespace qn {

// A splitter between panes laid out to the pixel: its handles are the gaps
// between the panes and draw nothing, so the window looks as laid out; the
// mouse finds them by the cursor. A vertical one keeps its panes' proportion
// exactly as last given (by a drag or setParts) whatever its height.
class PaneSplitter : public QSplitter {
    Q_OBJECT
public:
    PaneSplitter(Qt::Orientation orientation, QWidget *parent = nullptr);

    // The panes' sizes: as given or last dragged (a vertical one keeps them
    // as proportions), or as they are.
    void setParts(const QList<int> &parts);
    QList<int> parts() const;

protected:
    QSplitterHandle *createHandle() override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void applyParts();

    QList<int> m_parts;
};

} // namespace qn

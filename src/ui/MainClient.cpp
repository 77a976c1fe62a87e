#include "ui/MainClient.h"

#include "ui/DirList.h"
#include "ui/DriveBox.h"
#include "ui/EntryModel.h"
#include "ui/FileList.h"
#include "ui/FilterDialog.h"
#include "ui/Fonts.h"
#include "ui/GridView.h"
#include "ui/PaneSplitter.h"

#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <QToolBar>

namespace qn {

namespace {

// The described places, in twips.
const QRect ToolbarPlace(0, 0, 8040, 855);
const QRect DrivePlace(6720, 240, 1215, 300);
const QRect DirPlace(120, 1080, 2175, 1770);
const QRect FilePlace(120, 3000, 2175, 2250);
const QRect GridPlace(2400, 1080, 5535, 4215);
const QRect StatusPlace(0, 5475, 8040, 255);
const QRect ProgressPlace(6720, 5520, 1815, 255);

QRect pixels(const QRect &t)
{
    return twipsRect(t.left(), t.top(), t.width(), t.height());
}

template <class W>
W *place(W *w, const char *name, const QRect &twipsPlace, const QString &tooltip = QString())
{
    w->setObjectName(QLatin1String(name));
    w->setGeometry(pixels(twipsPlace));
    if (!tooltip.isEmpty()) {
        w->setToolTip(tooltip);
        w->setAccessibleName(tooltip);
    }
    return w;
}

// The left pane of the splitter: the lists' splitter, with the rows the
// grid reaches further left empty below it.
class ListsPane : public QWidget {
public:
    ListsPane(QWidget *lists, int below)
        : m_lists(lists)
        , m_below(below)
    {
        lists->setParent(this);
    }

protected:
    void resizeEvent(QResizeEvent *) override { m_lists->setGeometry(0, 0, width(), height() - m_below); }

private:
    QWidget *m_lists;
    int m_below;
};

} // namespace

int twips(int value) { return int((qint64(value) + 7) / 15); }

QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twips(left), twips(top), twips(width), twips(height));
}

MainClient::MainClient(EntryModel &model, QWidget *parent)
    : QWidget(parent)
    , toolbar(place(new QToolBar(this), "Toolbar1", ToolbarPlace))
    , drive(place(new DriveBox(this), "Drive1", DrivePlace, QStringLiteral("ドライブをチェンジできます。")))
    , panes(new PaneSplitter(Qt::Horizontal, this))
    , lists(new PaneSplitter(Qt::Vertical))
    , dir(place(new DirList, "Dir1", DirPlace, QStringLiteral("ディレクトリを選びます。")))
    , file(place(new FileList, "File1", FilePlace, QStringLiteral("ファイルを選択できます。")))
    , grid(place(new GridView, "MSFlexGrid1", GridPlace, QStringLiteral("リストに加えるデータです。")))
    , statusBar(place(new QStatusBar(this), "StatusBar1", StatusPlace))
    , panel1(new QLabel(statusBar))
    , panel2(new QLabel(statusBar))
    , panel3(new QLabel(filterActiveText(), statusBar))
    , progress(place(new QProgressBar(this), "ProgressBar1", ProgressPlace))
    , m_model(model)
{
    setObjectName(QStringLiteral("MainClient"));
    toolbar->setAccessibleName(QStringLiteral("Toolbar1"));

    // The splitters' handles are the gaps the described layout leaves
    // between the panes; below File1 the grid reaches a little further.
    const QRect dirPlace = pixels(DirPlace);
    const QRect filePlace = pixels(FilePlace);
    const QRect gridPlace = pixels(GridPlace);
    panes->setObjectName(QStringLiteral("Panes"));
    lists->setObjectName(QStringLiteral("Lists"));
    panes->setHandleWidth(gridPlace.left() - dirPlace.left() - dirPlace.width());
    lists->setHandleWidth(filePlace.top() - dirPlace.top() - dirPlace.height());
    lists->addWidget(dir);
    lists->addWidget(file);
    auto *left = new ListsPane(lists, gridPlace.bottom() - filePlace.bottom());
    // Never so narrow that the lists are gone (a drag to the edge, a kept
    // width of 1): the splitter keeps a pane at its minimum.
    left->setMinimumWidth(std::min(dirPlace.width(), lists->minimumSizeHint().width()));
    panes->addWidget(left);
    panes->addWidget(grid);
    // The grid takes the width added; the lists keep theirs.
    QSizePolicy gridPolicy = grid->sizePolicy();
    gridPolicy.setHorizontalStretch(1);
    grid->setSizePolicy(gridPolicy);
    // Laid out now, for a window that is used before it is shown.
    panes->setGeometry(dirPlace.united(gridPlace));
    panes->setParts({dirPlace.width(), gridPlace.width()});
    lists->setGeometry(0, 0, dirPlace.width(), filePlace.bottom() - dirPlace.top() + 1);
    lists->setParts({dirPlace.height(), filePlace.height()});

    file->viewport()->setAcceptDrops(true);

    grid->setModel(&model);
    grid->setFont(japaneseGothic(9));
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setWordWrap(false);
    grid->verticalHeader()->setVisible(false);
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setDefaultSectionSize(QFontMetrics(grid->font()).height() + 4);
    QHeaderView *header = grid->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setHighlightSections(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setStretchLastSection(false);
    // A click on a title sorts by its column, a second one reverses; an add
    // puts its entries at the end, so the list is no longer sorted.
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    header->setSortIndicator(-1, Qt::AscendingOrder);
    connect(header, &QHeaderView::sectionClicked, this, &MainClient::sortByColumn);
    connect(&model, &QAbstractItemModel::rowsInserted, this, &MainClient::forgetSortOrder);
    connect(&model, &QAbstractItemModel::modelReset, this, [this] {
        if (m_model.rowCount() == 0)
            forgetSortOrder();
    });
    grid->viewport()->setAcceptDrops(true);

    statusBar->setSizeGripEnabled(false);
    statusBar->setAccessibleName(QStringLiteral("StatusBar1"));
    panel1->setObjectName(QStringLiteral("Panel1"));
    panel1->setFixedWidth(twips(2400));
    panel2->setObjectName(QStringLiteral("Panel2"));
    panel2->setFixedWidth(twips(2000));
    panel3->setObjectName(QStringLiteral("Panel3"));
    statusBar->addWidget(panel1);
    statusBar->addWidget(panel2);
    statusBar->addWidget(panel3);
    panel3->setVisible(false);

    progress->setAccessibleName(QStringLiteral("ProgressBar1"));
    progress->setRange(0, 300);
    progress->setTextVisible(false);
    progress->setVisible(false);

    // Tab order as laid out: Drive1, Dir1, File1, grid, status bar, progress, toolbar.
    setTabOrder(drive, dir);
    setTabOrder(dir, file);
    setTabOrder(file, grid);
    setTabOrder(grid, toolbar);
    drive->raise();
    progress->raise();
    setMinimumSize(twips(ClientWidth), twips(ClientHeight));
}

void MainClient::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutControls();
}

void MainClient::layoutControls()
{
    const int dw = std::max(0, width() - twips(ClientWidth));
    const int dh = std::max(0, height() - twips(ClientHeight));
    toolbar->setGeometry(pixels(ToolbarPlace).adjusted(0, 0, dw, 0));
    drive->setGeometry(pixels(DrivePlace).translated(dw, 0));
    panes->setGeometry(pixels(DirPlace).united(pixels(GridPlace)).adjusted(0, 0, dw, dh));
    statusBar->setGeometry(pixels(StatusPlace).translated(0, dh).adjusted(0, 0, dw, 0));
    progress->setGeometry(pixels(ProgressPlace).translated(dw, dh));
}

PaneSizes MainClient::paneSizes() const
{
    PaneSizes kept;
    const int left = panes->parts().value(0);
    if (left != pixels(DirPlace).width())
        kept.left = left;
    const QList<int> heights = lists->parts();
    if (heights != QList<int>{pixels(DirPlace).height(), pixels(FilePlace).height()}) {
        kept.folders = heights.value(0);
        kept.files = heights.value(1);
    }
    return kept;
}

void MainClient::setPaneSizes(const PaneSizes &sizes)
{
    if (sizes.left > 0) {
        const QList<int> now = panes->sizes();
        panes->setParts({sizes.left, std::max(1, now.value(0) + now.value(1) - sizes.left)});
    }
    if (sizes.folders > 0 && sizes.files > 0)
        lists->setParts({sizes.folders, sizes.files});
}

void MainClient::sortByColumn(int column)
{
    QHeaderView *header = grid->horizontalHeader();
    const Qt::SortOrder order = column == m_sortColumn && m_sortOrder == Qt::AscendingOrder ? Qt::DescendingOrder
                                                                                            : Qt::AscendingOrder;
    m_sortColumn = column;
    m_sortOrder = order;
    // The entry that was current stays current, wherever it moves.
    grid->selectionModel()->clearSelection();
    m_model.sort(column, order);
    header->setSortIndicator(column, order);
    const QModelIndex current = grid->currentIndex();
    if (current.isValid()) {
        grid->selectionModel()->select(current, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        grid->scrollTo(current);
    }
}

void MainClient::forgetSortOrder()
{
    m_sortColumn = -1;
    grid->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
}

} // namespace qn

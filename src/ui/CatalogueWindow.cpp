#include "ui/CatalogueWindow.h"

#include "list/DateText.h"
#include "list/EntryTable.h"
#include "output/CsvFile.h"
#include "platform/SafeWrite.h"
#include "ui/CatalogueTexts.h"
#include "ui/GridView.h"
#include "ui/Messages.h"
#include "ui/Services.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QDateTime>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QTableView>
#include <QTableWidget>
#include <QThread>
#include <QVBoxLayout>

#include <algorithm>

namespace qn {

using namespace catalogue_text;

namespace {

// "yyyy-MM-dd" as the local day's first (or last) second; nothing when empty
// or not a date.
std::optional<qint64> dayBound(const QString &text, bool end)
{
    const QDate day = QDate::fromString(text.trimmed(), QStringLiteral("yyyy-MM-dd"));
    if (!day.isValid())
        return std::nullopt;
    const QDateTime start = day.startOfDay();
    return end ? day.addDays(1).startOfDay().toSecsSinceEpoch() - 1 : start.toSecsSinceEpoch();
}

} // namespace

CatalogueWindow::CatalogueWindow(const QString &path, Messages &messages, SaveFileChooser &chooser,
                                 CatalogueWindowHooks hooks, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_path(path)
    , m_messages(messages)
    , m_chooser(chooser)
    , m_hooks(std::move(hooks))
{
    setObjectName(QStringLiteral("CatalogueWindow"));
    setWindowTitle(SearchTitle + QStringLiteral(" - ") + QFileInfo(path).fileName());
    setAttribute(Qt::WA_DeleteOnClose);

    m_search = new QLineEdit(this);
    m_search->setObjectName(QStringLiteral("Search"));
    m_minSize = new QLineEdit(this);
    m_minSize->setObjectName(QStringLiteral("MinSize"));
    m_maxSize = new QLineEdit(this);
    m_maxSize->setObjectName(QStringLiteral("MaxSize"));
    m_from = new QLineEdit(this);
    m_from->setObjectName(QStringLiteral("From"));
    m_from->setPlaceholderText(QStringLiteral("yyyy-mm-dd"));
    m_to = new QLineEdit(this);
    m_to->setObjectName(QStringLiteral("To"));
    m_to->setPlaceholderText(QStringLiteral("yyyy-mm-dd"));
    for (QLineEdit *edit : {m_search, m_minSize, m_maxSize, m_from, m_to})
        connect(edit, &QLineEdit::textChanged, this, &CatalogueWindow::startSearch);

    auto *bounds = new QHBoxLayout;
    bounds->addWidget(m_search, 3);
    bounds->addWidget(m_minSize, 1);
    bounds->addWidget(new QLabel(Bytes + AtLeast, this));
    bounds->addWidget(m_maxSize, 1);
    bounds->addWidget(new QLabel(Bytes + AtMost, this));
    bounds->addWidget(m_from, 1);
    bounds->addWidget(new QLabel(From, this));
    bounds->addWidget(m_to, 1);
    bounds->addWidget(new QLabel(To, this));

    m_volumes = new QTableWidget(0, 4, this);
    m_volumes->setObjectName(QStringLiteral("Volumes"));
    m_volumes->setHorizontalHeaderLabels({Volume, Files, Bytes, Catalogued});
    m_volumes->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_volumes->setSelectionMode(QAbstractItemView::SingleSelection);
    m_volumes->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_volumes->verticalHeader()->hide();
    connect(m_volumes, &QTableWidget::itemChanged, this, [this](QTableWidgetItem *item) {
        if (item->column() == 0)
            startSearch();
    });
    auto *volumeButtons = new QVBoxLayout;
    const auto button = [this](const QString &text, const char *name, void (CatalogueWindow::*slot)()) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };
    volumeButtons->addWidget(button(Open, "OpenVolume", &CatalogueWindow::openVolume));
    volumeButtons->addWidget(button(Rename, "RenameVolume", &CatalogueWindow::renameVolume));
    volumeButtons->addWidget(button(Move, "MoveVolume", &CatalogueWindow::moveVolume));
    volumeButtons->addWidget(button(Remove, "RemoveVolume", &CatalogueWindow::removeVolume));
    volumeButtons->addStretch();
    auto *volumeRow = new QHBoxLayout;
    volumeRow->addWidget(m_volumes, 1);
    volumeRow->addLayout(volumeButtons);
    auto *volumePane = new QWidget(this);
    volumePane->setLayout(volumeRow);
    volumeRow->setContentsMargins(0, 0, 0, 0);

    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("Results"));
    m_grid->setModel(&m_model);
    m_grid->setSortingEnabled(true);
    m_grid->horizontalHeader()->setSortIndicatorShown(true);
    m_grid->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->verticalHeader()->hide();
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 4);
    auto *copy = new QShortcut(QKeySequence::Copy, m_grid, nullptr, nullptr, Qt::WidgetShortcut);
    connect(copy, &QShortcut::activated, this, &CatalogueWindow::copyRows);

    auto *splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(volumePane);
    splitter->addWidget(m_grid);
    splitter->setStretchFactor(1, 3);

    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("Count"));
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_count, 1);
    bottom->addWidget(button(AddToList, "AddToList", &CatalogueWindow::addToList));
    bottom->addWidget(button(SaveCsv, "SaveCsv", &CatalogueWindow::saveCsv));

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(bounds);
    layout->addWidget(splitter, 1);
    layout->addLayout(bottom);
    resize(760, 520);

    reloadVolumes();
}

CatalogueWindow::~CatalogueWindow()
{
    if (m_cancel)
        m_cancel->store(true);
    for (QThread *t : std::as_const(m_threads)) {
        t->wait();
        delete t;
    }
}

void CatalogueWindow::closeEvent(QCloseEvent *event)
{
    if (m_hooks.saveGeometry)
        m_hooks.saveGeometry(geometry());
    event->accept();
}

void CatalogueWindow::reloadVolumes()
{
    Catalogue catalogue;
    CatalogueError e = catalogue.open(m_path, false);
    if (e == CatalogueError::None)
        e = catalogue.volumes(m_volumeInfo);
    if (e != CatalogueError::None) {
        m_volumeInfo.clear();
        m_count->setText(errorText(e));
    }
    const QSignalBlocker quiet(m_volumes);
    m_volumes->setRowCount(int(m_volumeInfo.size()));
    for (int r = 0; r < int(m_volumeInfo.size()); ++r) {
        const VolumeInfo &v = m_volumeInfo[size_t(r)];
        auto *name = new QTableWidgetItem(v.name);
        name->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        name->setCheckState(Qt::Checked);
        name->setData(Qt::UserRole, v.id);
        m_volumes->setItem(r, 0, name);
        m_volumes->setItem(r, 1, new QTableWidgetItem(QString::number(v.entries)));
        m_volumes->setItem(r, 2, new QTableWidgetItem(QString::number(v.bytes)));
        m_volumes->setItem(r, 3, new QTableWidgetItem(DateText(v.catalogued)));
    }
    m_volumes->resizeColumnsToContents();
    if (e == CatalogueError::None)
        startSearch();
}

std::vector<qint64> CatalogueWindow::checkedVolumes() const
{
    std::vector<qint64> ids;
    for (int r = 0; r < m_volumes->rowCount(); ++r) {
        const QTableWidgetItem *item = m_volumes->item(r, 0);
        if (item && item->checkState() == Qt::Checked)
            ids.push_back(item->data(Qt::UserRole).toLongLong());
    }
    return ids;
}

qint64 CatalogueWindow::currentVolume() const
{
    const QTableWidgetItem *item = m_volumes->item(m_volumes->currentRow(), 0);
    return item ? item->data(Qt::UserRole).toLongLong() : 0;
}

void CatalogueWindow::startSearch()
{
    // The running search is no longer wanted.
    if (m_cancel)
        m_cancel->store(true);
    const quint64 generation = ++m_generation;
    CatalogueQuery query;
    query.text = m_search->text();
    query.volumes = checkedVolumes();
    bool ok = false;
    if (const qint64 n = m_minSize->text().trimmed().toLongLong(&ok); ok)
        query.minSize = n;
    if (const qint64 n = m_maxSize->text().trimmed().toLongLong(&ok); ok)
        query.maxSize = n;
    if (const auto from = dayBound(m_from->text(), false))
        query.from = *from;
    if (const auto to = dayBound(m_to->text(), true))
        query.to = *to;
    if (query.volumes.empty()) {
        // No volume chosen: nothing to search.
        m_cancel.reset();
        showResult(CatalogueResult());
        return;
    }
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    m_cancel = cancel;
    auto result = std::make_shared<CatalogueResult>();
    const QString path = m_path;
    QThread *thread = QThread::create([path, query, cancel, result] {
        Catalogue catalogue;
        result->error = catalogue.open(path, false);
        if (result->error == CatalogueError::None)
            *result = catalogue.search(query, *cancel);
    });
    m_threads.append(thread);
    connect(thread, &QThread::finished, this, [this, thread, generation, result] {
        m_threads.removeOne(thread);
        thread->deleteLater();
        if (generation == m_generation)
            showResult(*result);
    });
    thread->start();
}

void CatalogueWindow::showResult(const CatalogueResult &result)
{
    if (result.error == CatalogueError::Cancelled)
        return;
    QHash<qint64, QString> names;
    for (const VolumeInfo &v : m_volumeInfo)
        names.insert(v.id, v.name);
    const int column = m_grid->horizontalHeader()->sortIndicatorSection();
    const Qt::SortOrder order = m_grid->horizontalHeader()->sortIndicatorOrder();
    m_model.setResult(result.hits, names);
    if (column >= 0)
        m_model.sort(column, order);
    if (result.error != CatalogueError::None)
        m_count->setText(errorText(result.error));
    else if (result.count > qint64(result.hits.size()))
        m_count->setText(CountShown.arg(result.count).arg(result.hits.size()));
    else
        m_count->setText(Count.arg(result.count));
}

std::vector<int> CatalogueWindow::selectedRows() const
{
    std::vector<int> rows;
    for (const QModelIndex &i : m_grid->selectionModel()->selectedRows())
        rows.push_back(i.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CatalogueWindow::removeVolume()
{
    const qint64 id = currentVolume();
    if (id == 0 || !m_messages.confirm(ConfirmRemove.arg(m_volumes->item(m_volumes->currentRow(), 0)->text()), SearchTitle))
        return;
    Catalogue catalogue;
    CatalogueError e = catalogue.open(m_path, false);
    if (e == CatalogueError::None)
        e = catalogue.removeVolume(id);
    if (e != CatalogueError::None)
        m_messages.inform(errorText(e), SearchTitle);
    reloadVolumes();
}

void CatalogueWindow::renameVolume()
{
    const qint64 id = currentVolume();
    if (id == 0 || !m_hooks.askName)
        return;
    const std::optional<QString> name =
        m_hooks.askName(Rename, AskNewName, m_volumes->item(m_volumes->currentRow(), 0)->text());
    if (!name || name->trimmed().isEmpty())
        return;
    Catalogue catalogue;
    CatalogueError e = catalogue.open(m_path, false);
    if (e == CatalogueError::None && catalogue.findVolume(name->trimmed()) != 0) {
        m_messages.inform(NameTaken, SearchTitle);
        return;
    }
    if (e == CatalogueError::None)
        e = catalogue.renameVolume(id, name->trimmed());
    if (e != CatalogueError::None)
        m_messages.inform(errorText(e), SearchTitle);
    reloadVolumes();
}

void CatalogueWindow::moveVolume()
{
    const qint64 id = currentVolume();
    if (id == 0 || !m_hooks.askFolder)
        return;
    QString root;
    for (const VolumeInfo &v : m_volumeInfo) {
        if (v.id == id)
            root = v.root;
    }
    const std::optional<QString> folder = m_hooks.askFolder(MoveTitle, root);
    if (!folder || folder->isEmpty())
        return;
    Catalogue catalogue;
    CatalogueError e = catalogue.open(m_path, false);
    if (e == CatalogueError::None)
        e = catalogue.moveVolume(id, fromNativePath(*folder));
    if (e != CatalogueError::None)
        m_messages.inform(errorText(e), SearchTitle);
    reloadVolumes();
}

void CatalogueWindow::openVolume()
{
    const qint64 id = currentVolume();
    if (id != 0 && m_hooks.openVolume)
        m_hooks.openVolume(m_path, id, m_volumes->item(m_volumes->currentRow(), 0)->text());
}

void CatalogueWindow::addToList()
{
    std::vector<CatalogueHit> hits;
    for (int row : selectedRows())
        hits.push_back(m_model.hit(row));
    if (!hits.empty() && m_hooks.addToList)
        m_hooks.addToList(hits);
}

void CatalogueWindow::copyRows()
{
    const QString text = tabSeparatedRows(m_model, selectedRows(), CatalogueResultModel::ColumnCount);
    if (!text.isEmpty())
        QGuiApplication::clipboard()->setText(text);
}

void CatalogueWindow::saveCsv()
{
    std::vector<int> rows = selectedRows();
    if (rows.empty()) {
        for (int r = 0; r < m_model.rowCount(); ++r)
            rows.push_back(r);
    }
    if (rows.empty())
        return;
    const QString title = SaveCsv.left(SaveCsv.size() - 3);
    const std::optional<QString> path =
        m_chooser.choose(this, title, QFileInfo(m_path).absolutePath() + QLatin1Char('/'), QStringLiteral("list.csv"),
                         QStringLiteral("*.csv"));
    if (!path)
        return;
    EntryTable table;
    for (int row : rows)
        appendHit(table, m_model.hit(row));
    if (!saveBytes(*path, CsvFileText(table)))
        m_messages.inform(SaveCsvFailed, title);
}

} // namespace qn

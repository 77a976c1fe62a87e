#include "ui/MainWindow.h"

#include "output/GridTitles.h"
#include "platform/FileSystem.h"
#include "platform/Volumes.h"
#include "settings/SettingsFile.h"
#include "ui/AboutBox.h"
#include "ui/DirList.h"
#include "ui/DriveBox.h"
#include "ui/FileList.h"
#include "ui/FilterDialog.h"
#include "ui/GridView.h"
#include "ui/HtmlExport.h"
#include "ui/Fonts.h"
#include "ui/OptionDialog.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QShortcut>
#include <QMimeData>
#include <QMouseEvent>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>

// Resources of a static library are registered by hand, from the global namespace.
static void registerPictures()
{
    Q_INIT_RESOURCE(quilnaver);
}

namespace qn {

namespace {

const QString DriveUnusable = QStringLiteral("ドライブが使用できません。");
const QString NoHelpFile = QStringLiteral("ヘルプファイルがありません。");
const QString ConfirmExitText = QStringLiteral("プログラムを終了します。\rよろしいですか？");
const QString ConfirmExitTitle = QStringLiteral("終了");
const QString SaveFailedText = QStringLiteral("設定が保存できません。終了しますか？");
const QString SaveFailedTitle = QStringLiteral("保存のエラー");
const QString FilterNotSaved = QStringLiteral("フィルターの設定が保存できません。");
const QString HelpFileName = QStringLiteral("Quilnaver.hlp");

struct ToolButton {
    const char *key;
    const char *caption;
    const char *tooltip;
    int picture; // 0: set from the size unit
};

const ToolButton ToolButtons[] = {
    {"Shinki", "新規", "新規リストを作成します。", 1},
    {"FileAdd", "ﾌｧｲﾙ", "ﾌｧｲﾙをリストに加えます。", 2},
    {"DirAdd", "DIR", "ディレクトリ内のﾌｧｲﾙすべてをリストに加えます。", 3},
    {"ListDelete", "削除", "選択したリストのファイルをリストから削除します。", 4},
    {"ListMake", "ﾘｽﾄ", "リストを作成します。", 9},
    {"Hyoji", "表示", "バイト表示の形態を変えます。押すごとに変わります。", 0},
    {"SettingSave", "保存", "設定を保存するかを変更。(押してあると保存)", 5},
    {"SettingShow", "設定", "設定画面を表示します。", 6},
    {"HelpFile", "ﾍﾙﾌﾟ", "ヘルプを表示します。", 7},
    {"Ending", "終了", "プログラムを終了します。", 8},
};

QIcon picture(int number)
{
    return QIcon(QStringLiteral(":/pictures/%1.xpm").arg(number, 2, 10, QLatin1Char('0')));
}

QAction *addItem(QMenu *menu, const char *name, const QString &caption)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    return action;
}

QAction *addItem(QMenu *menu, const char *name, const char *caption)
{
    return addItem(menu, name, QString::fromUtf8(caption));
}

QMenu *popupMenu(QWidget *owner, const char *name, const char *caption)
{
    auto *menu = new QMenu(QString::fromUtf8(caption), owner);
    menu->setObjectName(QLatin1String(name));
    return menu;
}

// The client area at the described size, in twips.
constexpr int ClientWidth = 8040;
constexpr int ClientHeight = 5730;
// Extra height is shared by Dir1 and File1 as their described heights are.
constexpr int DirHeight = 1770;
constexpr int FileHeight = 2250;

// The key under which the INI file keeps the width of an extra column.
QString columnKey(int kind)
{
    return kind == StateCol ? QStringLiteral("state") : kind == DigestCol ? QStringLiteral("sha256") : QString();
}

void place(QWidget *w, const char *name, const QRect &geometry, const QString &tooltip = QString())
{
    w->setObjectName(QLatin1String(name));
    w->setGeometry(geometry);
    if (!tooltip.isEmpty()) {
        w->setToolTip(tooltip);
        w->setAccessibleName(tooltip);
    }
}

} // namespace

int twips(int value) { return int((qint64(value) + 7) / 15); }

QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twips(left), twips(top), twips(width), twips(height));
}

MainWindow::MainWindow(const Services &services, QWidget *parent)
    : QMainWindow(parent)
    , m_services(services)
    , m_store(services.programDirectory, services.configDirectory)
    , m_model(m_table, m_settings)
{
    registerPictures();
    setObjectName(QStringLiteral("Main"));
    setWindowTitle(programTitle());
    setAccessibleName(programTitle());
    setWindowIcon(QIcon(QStringLiteral(":/pictures/quilnaver.xpm")));

    buildControls();
    buildToolbar();
    buildMenus();
    m_commands = std::make_unique<ListCommands>(
        ListWidgets{m_file, m_dir, m_grid, m_panel1, m_panel2, m_progress,
                    findChild<QAction *>(QStringLiteral("File_DiffOnly"))},
        m_table, m_model, m_settings,
        m_services);
#ifdef QUILNAVER_OFFICE
    m_exports = std::make_unique<ExportCommands>(m_grid, m_table, m_settings, m_extras, *m_commands, m_services);
#endif

    // Window load: the list in its start-up state, then the settings, read
    // and written in one place for the whole run.
    m_model.clear();
    LoadSettings();
    m_catalogue = std::make_unique<CatalogueCommands>(this, m_table, m_model, *m_commands, m_settings, m_services);
    m_catalogue->setWindowGeometry(m_extras.catalogueWindow, [this](const QRect &geometry) {
        m_extras.catalogueWindow = geometry;
        m_store.saveCatalogueWindow(geometry);
    });

    // The described size is the default and the smallest; the window grows
    // from there.
    setCentralWidget(m_client);
    m_client->setMinimumSize(twips(ClientWidth), twips(ClientHeight));
    m_client->installEventFilter(this);
    const QSize defaultSize = sizeHint();
    setMinimumSize(defaultSize);
    resize(defaultSize);
    layoutControls();
    restoreWindowPlace();
}

void MainWindow::layoutControls()
{
    const int dw = std::max(0, m_client->width() - twips(ClientWidth));
    const int dh = std::max(0, m_client->height() - twips(ClientHeight));
    const int dhDir = int(qint64(dh) * DirHeight / (DirHeight + FileHeight));
    m_toolbar->setGeometry(twipsRect(0, 0, 8040, 855).adjusted(0, 0, dw, 0));
    m_drive->setGeometry(twipsRect(6720, 240, 1215, 300).translated(dw, 0));
    m_dir->setGeometry(twipsRect(120, 1080, 2175, DirHeight).adjusted(0, 0, 0, dhDir));
    m_file->setGeometry(twipsRect(120, 3000, 2175, FileHeight).translated(0, dhDir).adjusted(0, 0, 0, dh - dhDir));
    m_grid->setGeometry(twipsRect(2400, 1080, 5535, 4215).adjusted(0, 0, dw, dh));
    m_statusBar->setGeometry(twipsRect(0, 5475, 8040, 255).translated(0, dh).adjusted(0, 0, dw, 0));
    m_progress->setGeometry(twipsRect(6720, 5520, 1815, 255).translated(dw, dh));
}

void MainWindow::restoreWindowPlace()
{
    if (!m_extras.window)
        return;
    QRect kept = *m_extras.window;
    kept.setSize(kept.size().expandedTo(minimumSize()));
    // Where the title bar would be: on a screen still there, the window goes
    // back to its place; otherwise it keeps its size at the default place.
    const QPoint titleBar(kept.left() + std::min(kept.width(), 200) / 2, kept.top());
    if (QScreen *screen = QGuiApplication::screenAt(titleBar)) {
        kept.setSize(kept.size().boundedTo(screen->availableGeometry().size()).expandedTo(minimumSize()));
        setGeometry(kept);
    } else if (QScreen *primary = QGuiApplication::primaryScreen()) {
        resize(kept.size().boundedTo(primary->availableGeometry().size()).expandedTo(minimumSize()));
    }
    if (m_extras.maximized)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void MainWindow::restoreExtraColumnWidths(int first, int last)
{
    for (int column = std::max(first, int(ColCount)); column <= last; ++column) {
        const auto width = m_extras.columnWidths.constFind(columnKey(m_model.columnKind(column)));
        if (width != m_extras.columnWidths.cend())
            m_grid->setColumnWidth(column, *width);
    }
}

void MainWindow::applyFilter(const FilterPatterns &patterns)
{
    m_extras.filter = patterns;
    const NameFilter filter(patterns);
    m_commands->setFilter(filter);
    m_file->setFilter(filter);
    m_panel3->setVisible(filter.isSet());
}

void MainWindow::ShowFilter()
{
    FilterDialog dialog(m_extras.filter, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    applyFilter(dialog.patterns());
    if (!m_store.saveFilter(m_extras.filter))
        m_services.messages->inform(FilterNotSaved);
}

MainWindow::~MainWindow() = default;

void MainWindow::buildControls()
{
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("MainClient"));

    m_toolbar = new QToolBar(m_client);
    place(m_toolbar, "Toolbar1", twipsRect(0, 0, 8040, 855));
    m_toolbar->setAccessibleName(QStringLiteral("Toolbar1"));

    m_drive = new DriveBox(m_client);
    place(m_drive, "Drive1", twipsRect(6720, 240, 1215, 300), QStringLiteral("ドライブをチェンジできます。"));

    m_dir = new DirList(m_client);
    place(m_dir, "Dir1", twipsRect(120, 1080, 2175, 1770), QStringLiteral("ディレクトリを選びます。"));

    m_file = new FileList(m_client);
    place(m_file, "File1", twipsRect(120, 3000, 2175, 2250), QStringLiteral("ファイルを選択できます。"));
    m_file->viewport()->setAcceptDrops(true);
    m_file->installEventFilter(this);

    auto *grid = new GridView(m_client);
    connect(grid, &GridView::copyRequested, this, [this] { m_commands->CopySelectedRows(); });
    m_grid = grid;
    place(m_grid, "MSFlexGrid1", twipsRect(2400, 1080, 5535, 4215), QStringLiteral("リストに加えるデータです。"));
    m_grid->setModel(&m_model);
    m_grid->setFont(japaneseGothic(9));
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setWordWrap(false);
    m_grid->verticalHeader()->setVisible(false);
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->verticalHeader()->setDefaultSectionSize(QFontMetrics(m_grid->font()).height() + 4);
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_grid->horizontalHeader()->setHighlightSections(false);
    m_grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_grid->horizontalHeader()->setStretchLastSection(false);
    // A click on a title sorts by its column, a second one reverses; an add
    // puts its entries at the end, so the list is no longer sorted.
    m_grid->horizontalHeader()->setSectionsClickable(true);
    m_grid->horizontalHeader()->setSortIndicatorShown(true);
    m_grid->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    connect(m_grid->horizontalHeader(), &QHeaderView::sectionClicked, this, &MainWindow::sortByColumn);
    connect(&m_model, &QAbstractItemModel::rowsInserted, this, &MainWindow::forgetSortOrder);
    connect(&m_model, &QAbstractItemModel::modelReset, this, [this] {
        if (m_table.EntryCount() == 0)
            forgetSortOrder();
    });
    m_grid->viewport()->setAcceptDrops(true);
    connect(m_grid->horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column, int, int size) {
        if (!m_settingWidths && column >= 0 && column < ColCount)
            m_columnTwips[column] = size * 15;
        else if (column >= ColCount && size > 0)
            m_extras.columnWidths.insert(columnKey(m_model.columnKind(column)), size);
    });
    connect(&m_model, &QAbstractItemModel::columnsInserted, this,
            [this](const QModelIndex &, int first, int last) { restoreExtraColumnWidths(first, last); });
    for (int c = 0; c < ColCount; ++c)
        setColumnWidthTwips(c, m_columnTwips[c]);

    m_statusBar = new QStatusBar(m_client);
    place(m_statusBar, "StatusBar1", twipsRect(0, 5475, 8040, 255));
    m_statusBar->setSizeGripEnabled(false);
    m_statusBar->setAccessibleName(QStringLiteral("StatusBar1"));
    m_panel1 = new QLabel(m_statusBar);
    m_panel1->setObjectName(QStringLiteral("Panel1"));
    m_panel1->setFixedWidth(twips(2400));
    m_panel2 = new QLabel(m_statusBar);
    m_panel2->setObjectName(QStringLiteral("Panel2"));
    m_panel2->setFixedWidth(twips(2000));
    m_panel3 = new QLabel(filterActiveText(), m_statusBar);
    m_panel3->setObjectName(QStringLiteral("Panel3"));
    m_statusBar->addWidget(m_panel1);
    m_statusBar->addWidget(m_panel2);
    m_statusBar->addWidget(m_panel3);
    m_panel3->setVisible(false);

    m_progress = new QProgressBar(m_client);
    place(m_progress, "ProgressBar1", twipsRect(6720, 5520, 1815, 255));
    m_progress->setAccessibleName(QStringLiteral("ProgressBar1"));
    m_progress->setRange(0, 300);
    m_progress->setTextVisible(false);
    m_progress->setVisible(false);

    // Tab order as laid out: Drive1, Dir1, File1, grid, status bar, progress, toolbar.
    setTabOrder(m_drive, m_dir);
    setTabOrder(m_dir, m_file);
    setTabOrder(m_file, m_grid);
    setTabOrder(m_grid, m_toolbar);
    m_drive->raise();
    m_progress->raise();

    connect(m_drive, &DriveBox::driveChanged, this, &MainWindow::onDriveChanged);
    connect(m_dir, &DirList::pathChanged, this, &MainWindow::onDirectoryChanged);
    connect(m_file, &QAbstractItemView::doubleClicked, this, [this] { m_commands->AddSelectedFile(); });
    for (QAbstractItemView *view : {static_cast<QAbstractItemView *>(m_dir), static_cast<QAbstractItemView *>(m_file),
                                    static_cast<QAbstractItemView *>(m_grid),
                                    static_cast<QAbstractItemView *>(m_grid->horizontalHeader())})
        view->viewport()->installEventFilter(this);
    m_grid->installEventFilter(this);
}

void MainWindow::buildToolbar()
{
    m_toolbar->setMovable(false);
    m_toolbar->setFloatable(false);
    m_toolbar->setIconSize(QSize(32, 32));
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_toolbar->setContentsMargins(0, 0, 0, 0);
    for (const ToolButton &b : ToolButtons) {
        const QString key = QLatin1String(b.key);
        QAction *action = m_toolbar->addAction(QString::fromUtf8(b.caption));
        action->setObjectName(key);
        action->setToolTip(QString::fromUtf8(b.tooltip));
        if (b.picture > 0)
            action->setIcon(picture(b.picture));
        action->setCheckable(key == QLatin1String("SettingSave"));
        QWidget *button = m_toolbar->widgetForAction(action);
        button->setObjectName(key);
        button->setAccessibleName(QString::fromUtf8(b.caption));
        button->setFixedSize(twips(585), twips(765));
        connect(action, &QAction::triggered, this, [this, key] { toolbarClicked(key); });
        m_buttons.insert(key, action);
    }
}

void MainWindow::buildMenus()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("ファイル"));
    file->setObjectName(QStringLiteral("Mnu_File"));
    connect(addItem(file, "File_Sinki", "新規リスト"), &QAction::triggered, this, [this] { m_commands->NewList(); });
    connect(addItem(file, "File_MakeList", "リスト作成"), &QAction::triggered, this,
            [this] { m_commands->MakeListFile(); });
    // Additions stand behind a separator, before the exit.
    file->addSeparator();
    connect(addItem(file, "File_AddTree", addTreeCaption()), &QAction::triggered, this,
            [this] { m_commands->AddDirectoryTree(); });
    connect(addItem(file, "File_SaveCsv", saveCsvCaption()), &QAction::triggered, this,
            [this] { m_commands->SaveCsvFile(); });
#ifdef QUILNAVER_OFFICE
    connect(addItem(file, "File_SaveXlsx", saveXlsxCaption()), &QAction::triggered, this,
            [this] { m_exports->SaveXlsxFile(); });
    connect(addItem(file, "File_Print", printCaption()), &QAction::triggered, this, [this] { m_exports->PrintList(); });
    connect(addItem(file, "File_SavePdf", savePdfCaption()), &QAction::triggered, this,
            [this] { m_exports->SavePdfFile(); });
#endif
    connect(addItem(file, "File_SaveHtml", saveHtmlCaption()), &QAction::triggered, this,
            [this] { SaveHtmlFile(this, m_table, m_settings, m_services, m_commands->listTitle()); });
    connect(addItem(file, "File_OpenCsv", openCsvCaption()), &QAction::triggered, this,
            [this] { m_commands->OpenCsvFile(); });
    connect(addItem(file, "File_CheckDisk", checkDiskCaption()), &QAction::triggered, this,
            [this] { m_commands->CheckAgainstDisk(); });
    connect(addItem(file, "File_CheckList", checkListCaption()), &QAction::triggered, this,
            [this] { m_commands->CheckAgainstList(); });
    connect(addItem(file, "File_ApplyCheck", applyResultCaption()), &QAction::triggered, this,
            [this] { m_commands->ApplyCheckResult(); });
    QAction *differencesOnly = addItem(file, "File_DiffOnly", differencesOnlyCaption());
    differencesOnly->setCheckable(true);
    connect(differencesOnly, &QAction::triggered, this, [this](bool on) { m_commands->setDifferencesOnly(on); });
    connect(addItem(file, "File_Sha256", computeSha256Caption()), &QAction::triggered, this,
            [this] { m_commands->ComputeSha256Digests(); });
    connect(addItem(file, "File_SaveSums", saveSumsCaption()), &QAction::triggered, this,
            [this] { m_commands->SaveSha256Sums(); });
    file->addSeparator();
    connect(addItem(file, "File_AddCatalogue", addToCatalogueCaption()), &QAction::triggered, this,
            [this] { m_catalogue->AddToCatalogue(); });
    connect(addItem(file, "File_SearchCatalogue", searchCatalogueCaption()), &QAction::triggered, this,
            [this] { m_catalogue->SearchCatalogue(); });
    file->addSeparator();
    connect(addItem(file, "File_End", "終了"), &QAction::triggered, this, [this] { ConfirmExit(); });

    QMenu *option = menuBar()->addMenu(QStringLiteral("オプション"));
    option->setObjectName(QStringLiteral("Mnu_Option"));
    connect(addItem(option, "Option_Setting", "設定"), &QAction::triggered, this, [this] { ShowOptions(); });
    option->addSeparator();
    connect(addItem(option, "Option_Filter", filterCaption()), &QAction::triggered, this, [this] { ShowFilter(); });

    // F10 opens the first menu, the desktop's way into the menus from the
    // keyboard (the items carry no access keys); arrows and Enter go on.
    auto *menuKey = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(menuKey, &QShortcut::activated, this, [this] {
        if (QAction *first = menuBar()->actions().value(0))
            menuBar()->setActiveAction(first);
    });

    QMenu *help = menuBar()->addMenu(QStringLiteral("ヘルプ"));
    help->setObjectName(QStringLiteral("Mnu_Help"));
    QAction *helpItem = addItem(help, "Help_Help", "ヘルプ");
    helpItem->setShortcut(QKeySequence::HelpContents);
    connect(helpItem, &QAction::triggered, this, [this] { ShowHelpFile(); });
    connect(addItem(help, "Help_Ver", "Quilnaverについて"), &QAction::triggered, this, [this] { ShowAbout(); });

    m_popupDir = popupMenu(this, "Mnu_RClickDir", "右クリックDIR");
    connect(addItem(m_popupDir, "RClick_AddDir", "ディレクトリ全体を追加"), &QAction::triggered, this,
            [this] { m_commands->AddDirectoryFiles(); });
    m_popupDir->addSeparator();
    connect(addItem(m_popupDir, "RClick_AddTree", addTreeCaption()), &QAction::triggered, this,
            [this] { m_commands->AddDirectoryTree(); });
    m_popupFile = popupMenu(this, "Mnu_RClickFile", "右クリックFILE");
    connect(addItem(m_popupFile, "RClick_AddFile", "ファイルを追加"), &QAction::triggered, this,
            [this] { m_commands->AddSelectedFile(); });
    m_popupGrid = popupMenu(this, "Mnu_RClickDelete", "右クリックDelete");
    connect(addItem(m_popupGrid, "RClick_Delete", "選択を削除"), &QAction::triggered, this,
            [this] { m_commands->DeleteSelectedEntry(); });
    connect(addItem(m_popupGrid, "RClick_MakeList", "リスト作成"), &QAction::triggered, this,
            [this] { m_commands->MakeListFile(); });
    m_popupGrid->addSeparator();
    QAction *copy = addItem(m_popupGrid, "RClick_Copy", "コピー");
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    m_grid->addAction(copy);
    connect(copy, &QAction::triggered, this, [this] { m_commands->CopySelectedRows(); });
    m_popupGrid->addSeparator();
    connect(addItem(m_popupGrid, "RClick_Sha256", computeSha256Caption()), &QAction::triggered, this,
            [this] { m_commands->ComputeSha256Digests(); });
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_client && event->type() == QEvent::Resize)
        layoutControls();
    const bool overGrid = watched == m_grid->viewport() || watched == m_grid->horizontalHeader()->viewport();
    // The pop-up menus open when the right button goes down; the lists keep
    // their selection, which the commands then act on.
    if (event->type() == QEvent::MouseButtonPress) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::RightButton) {
            QMenu *menu = nullptr;
            if (watched == m_dir->viewport())
                menu = m_popupDir;
            else if (watched == m_file->viewport())
                menu = m_popupFile;
            else if (overGrid)
                menu = m_popupGrid;
            if (menu) {
                menu->popup(mouse->globalPosition().toPoint());
                return true;
            }
        }
    }
    // A double-click over the rows or the empty space below them removes;
    // the first click has already made its row current. Over the titles a
    // click sorts and a double-click on a border fits the column, as usual.
    if (event->type() == QEvent::MouseButtonDblClick && watched == m_grid->viewport()
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        m_commands->DeleteSelectedEntry();
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
        if (watched == m_file && enter) {
            m_commands->AddSelectedFile();
            return true;
        }
        if (watched == m_grid && key == Qt::Key_Delete) {
            m_commands->DeleteSelectedEntry();
            return true;
        }
    }
    // Files and folders dropped from a file manager onto the grid or File1.
    const bool dropTarget = watched == m_grid->viewport() || watched == m_file->viewport();
    if (dropTarget && (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove)) {
        auto *drag = static_cast<QDropEvent *>(event);
        if (!droppedPaths(drag->mimeData()).isEmpty())
            drag->acceptProposedAction();
        else
            drag->ignore();
        return true;
    }
    if (dropTarget && event->type() == QEvent::Drop) {
        auto *drop = static_cast<QDropEvent *>(event);
        const QStringList paths = droppedPaths(drop->mimeData());
        if (!paths.isEmpty()) {
            drop->acceptProposedAction();
            // The adding (and its closing message) comes after the drop has
            // returned, so the file manager it came from is not held.
            QMetaObject::invokeMethod(
                this, [this, paths] { m_commands->AddDroppedPaths(paths); }, Qt::QueuedConnection);
        }
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

QStringList MainWindow::droppedPaths(const QMimeData *mime)
{
    QStringList paths;
    if (!mime || !mime->hasUrls())
        return paths;
    for (const QUrl &url : mime->urls()) {
        const QString path = localFileOf(url); // anything else is ignored
        if (!path.isEmpty())
            paths.append(path);
    }
    return paths;
}

void MainWindow::sortByColumn(int column)
{
    QHeaderView *header = m_grid->horizontalHeader();
    const Qt::SortOrder order = column == m_sortColumn && m_sortOrder == Qt::AscendingOrder ? Qt::DescendingOrder
                                                                                            : Qt::AscendingOrder;
    m_sortColumn = column;
    m_sortOrder = order;
    // The entry that was current stays current, wherever it moves.
    m_grid->selectionModel()->clearSelection();
    m_model.sort(column, order);
    header->setSortIndicator(column, order);
    const QModelIndex current = m_grid->currentIndex();
    if (current.isValid()) {
        m_grid->selectionModel()->select(current, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        m_grid->scrollTo(current);
    }
}

void MainWindow::forgetSortOrder()
{
    m_sortColumn = -1;
    m_grid->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
}

void MainWindow::toolbarClicked(const QString &key)
{
    if (key == QLatin1String("Shinki")) {
        m_commands->NewList();
    } else if (key == QLatin1String("FileAdd")) {
        m_commands->AddSelectedFile();
    } else if (key == QLatin1String("DirAdd")) {
        m_commands->AddDirectoryFiles();
    } else if (key == QLatin1String("ListDelete")) {
        m_commands->DeleteSelectedEntry();
    } else if (key == QLatin1String("ListMake")) {
        m_commands->MakeListFile();
    } else if (key == QLatin1String("Hyoji")) {
        int unit = m_settings.SizeUnit + 1;
        if (unit >= UnitCount || unit < 0)
            unit = 0;
        m_settings.SizeUnit = unit;
        ReWrite();
    } else if (key == QLatin1String("SettingSave")) {
        m_settings.SettingsSaveOption = m_buttons.value(key)->isChecked() ? 0 : 1;
    } else if (key == QLatin1String("SettingShow")) {
        ShowOptions();
    } else if (key == QLatin1String("HelpFile")) {
        ShowHelpFile();
    } else if (key == QLatin1String("Ending")) {
        ConfirmExit();
    }
}

void MainWindow::ReWrite()
{
    setHyojiPicture(m_settings.SizeUnit);
    m_model.unitChanged();
    m_commands->UpdateTotalBytesPanel();
}

void MainWindow::SetupGridHeaders()
{
    m_model.unitChanged();
}

void MainWindow::setHyojiPicture(int unit)
{
    if (unit < 0 || unit >= UnitCount)
        return;
    m_hyojiPicture = 10 + unit;
    m_buttons.value(QStringLiteral("Hyoji"))->setIcon(picture(m_hyojiPicture));
}

// The button shows the truth: pressed exactly when the settings are saved at exit.
void MainWindow::syncSettingSaveButton()
{
    m_buttons.value(QStringLiteral("SettingSave"))->setChecked(m_settings.SettingsSaveOption == 0);
}

void MainWindow::setColumnWidthTwips(int column, int twipsWidth)
{
    m_columnTwips[column] = twipsWidth;
    m_settingWidths = true;
    m_grid->setColumnWidth(column, twips(twipsWidth));
    m_settingWidths = false;
}

QString MainWindow::helpFilePath() const
{
    // Beside the program first, then in the installed share folder.
    const QString beside = withTrailingSeparator(m_services.programDirectory) + HelpFileName;
    if (!QFileInfo::exists(beside) && !m_services.dataDirectory.isEmpty()) {
        const QString installed = withTrailingSeparator(m_services.dataDirectory) + HelpFileName;
        if (QFileInfo::exists(installed))
            return installed;
    }
    return beside;
}

void MainWindow::LoadSettings()
{
    const std::optional<SettingsRecord> record = m_store.loadRecord();
    m_extras = m_store.loadExtras();
    applyFilter(m_extras.filter);
    bool loaded = record.has_value();
    if (loaded) {
        for (int c = 0; c < ColCount; ++c)
            setColumnWidthTwips(c, record->columnWidths[c]);
        m_settings.LastGoodDrive = record->lastGoodDrive;
        loaded = m_dir->setPath(record->listDirectory);
    }
    if (loaded) {
        m_settings.SaveDirectory = record->saveDirectory;
        m_settings.SaveFileName = record->saveFileName;
        m_settings.SizeUnit = record->sizeUnit;
        m_settings.SettingsSaveOption = record->settingsSaveOption;
        setHyojiPicture(m_settings.SizeUnit);
        loaded = m_drive->setDrive(m_settings.LastGoodDrive);
    }
    if (!loaded)
        ApplyDefaultSettings();
    SetupGridHeaders();
    m_commands->UpdateStatusTotals();
    syncSettingSaveButton();
}

void MainWindow::ApplyDefaultSettings()
{
    const Settings defaults = defaultSettings();
    m_settings.LastGoodDrive = defaults.LastGoodDrive;
    m_model.clear();
    m_settings.SaveFileName = defaults.SaveFileName;
    m_settings.SaveDirectory = defaults.SaveDirectory;
    m_settings.SettingsSaveOption = defaults.SettingsSaveOption;
    m_settings.SizeUnit = defaults.SizeUnit;
    setHyojiPicture(m_settings.SizeUnit);

    if (m_drive->setDrive(m_settings.LastGoodDrive) && m_dir->setPath(defaultListDirectory())) {
        for (int c = 0; c < ColCount; ++c)
            setColumnWidthTwips(c, DefaultColumnWidths[c]);
        return;
    }
    // Nothing of the defaults can be used: the program's own directory can.
    const QString programDirectory = m_services.programDirectory;
    m_dir->setPath(programDirectory);
    m_settings.SaveDirectory = withTrailingSeparator(programDirectory);
    m_settings.LastGoodDrive = volumeOf(programDirectory).designation;
    m_drive->setDrive(m_settings.LastGoodDrive);
}

bool MainWindow::SaveSettings()
{
    SettingsRecord record;
    for (int c = 0; c < ColCount; ++c)
        record.columnWidths[c] = m_columnTwips[c];
    record.lastGoodDrive = m_settings.LastGoodDrive;
    record.listDirectory = m_dir->path();
    record.saveDirectory = m_settings.SaveDirectory;
    record.saveFileName = m_settings.SaveFileName;
    record.sizeUnit = m_settings.SizeUnit;
    record.settingsSaveOption = m_settings.SettingsSaveOption;
    m_extras.window = normalGeometry();
    m_extras.maximized = isMaximized();
    if (m_store.save(record, m_extras))
        return true;
    return m_services.messages->confirm(SaveFailedText, SaveFailedTitle);
}

void MainWindow::onDriveChanged()
{
    if (showDrive(m_drive->drive()))
        return;
    if (m_recovering)
        return;
    m_services.messages->inform(DriveUnusable);
    // Back to the last good drive; when that has gone too, to the program's
    // own volume, instead of asking again and again.
    m_recovering = true;
    m_drive->showDrive(m_settings.LastGoodDrive);
    if (!showDrive(m_settings.LastGoodDrive)) {
        const QString programDirectory = m_services.programDirectory;
        const QString designation = volumeOf(programDirectory).designation;
        m_drive->showDrive(designation);
        if (!m_dir->setPath(programDirectory))
            m_dir->setPath(rootOfDesignation(designation));
        m_settings.LastGoodDrive = designation;
    }
    m_recovering = false;
}

bool MainWindow::showDrive(const QString &designation)
{
    const QString root = rootOfDesignation(designation);
    if (root.isEmpty() || !isVolumeUsable(root))
        return false;
    if (!m_dir->setPath(m_drive->currentDirectoryOf(designation)) && !m_dir->setPath(root))
        return false;
    m_settings.LastGoodDrive = designation;
    return true;
}

void MainWindow::onDirectoryChanged(const QString &path)
{
    m_file->setPath(path);
    // The directory becomes its volume's current one; the selector follows
    // when the list has moved onto another volume.
    const QString designation = m_drive->rememberDirectory(path);
    if (!designation.isEmpty() && !sameVolumeRoot(rootOfDesignation(designation), rootOfDesignation(m_drive->drive()))) {
        m_drive->showDrive(designation);
        m_settings.LastGoodDrive = designation;
    }
}

bool MainWindow::askExit()
{
    if (!m_services.messages->confirm(ConfirmExitText, ConfirmExitTitle))
        return false;
    if (m_settings.SettingsSaveOption == 0 && !SaveSettings())
        return false;
    return true;
}

bool MainWindow::ConfirmExit()
{
    if (!askExit())
        return false;
    m_exited = true;
    close();
    emit exitRequested();
    return true;
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (m_exited) {
        event->accept();
        return;
    }
    if (!askExit()) {
        event->ignore();
        return;
    }
    m_exited = true;
    event->accept();
    emit exitRequested();
}

void MainWindow::ShowHelpFile()
{
    if (!m_services.help || !m_services.help->show(this, helpFilePath()))
        m_services.messages->inform(NoHelpFile);
}

void MainWindow::ShowOptions()
{
    OptionDialog dialog(m_settings, *m_services.chooser, this);
    connect(&dialog, &OptionDialog::sizeUnitChanged, this, &MainWindow::ReWrite);
    connect(&dialog, &OptionDialog::saveOptionChanged, this, &MainWindow::syncSettingSaveButton);
    dialog.RefreshOptionControls();
    dialog.exec();
}

void MainWindow::ShowAbout()
{
    AboutBox box(m_services.beep, this);
    box.exec();
}

} // namespace qn

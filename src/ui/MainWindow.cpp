#include "ui/MainWindow.h"

#include "output/GridTitles.h"
#include "platform/FileSystem.h"
#include "platform/Volumes.h"
#include "settings/SettingsFile.h"
#include "settings/WindowPlace.h"
#include "ui/AboutBox.h"
#include "ui/DirList.h"
#include "ui/DriveBox.h"
#include "ui/FileList.h"
#include "ui/FilterDialog.h"
#include "ui/GestureRouter.h"
#include "ui/GridView.h"
#include "ui/OptionDialog.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QScreen>

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

// The key under which the INI file keeps the width of an extra column.
QString columnKey(int kind)
{
    return kind == StateCol ? QStringLiteral("state") : kind == DigestCol ? QStringLiteral("sha256") : QString();
}

ScreenArea areaOf(const QScreen *screen)
{
    return screen ? ScreenArea{screen->geometry(), screen->availableGeometry()} : ScreenArea{};
}

} // namespace

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

    m_client = new MainClient(m_model, this);
    connect(m_client->drive, &DriveBox::driveChanged, this, &MainWindow::onDriveChanged);
    connect(m_client->dir, &DirList::pathChanged, this, &MainWindow::onDirectoryChanged);
    connect(m_client->file, &QAbstractItemView::doubleClicked, this, [this] { m_commands->AddSelectedFile(); });
    connect(m_client->grid, &GridView::copyRequested, this, [this] { m_commands->CopySelectedRows(); });
    // The widths kept are the ones given, never the last column's stretch.
    connect(m_client->grid, &GridView::columnWidthGiven, this, [this](int column, int size) {
        if (!m_settingWidths && column >= 0 && column < ColCount)
            m_columnTwips[column] = size * 15;
        else if (column >= ColCount && size > 0)
            m_extras.columnWidths.insert(columnKey(m_model.columnKind(column)), size);
    });
    connect(&m_model, &QAbstractItemModel::columnsInserted, this,
            [this](const QModelIndex &, int first, int last) { restoreExtraColumnWidths(first, last); });
    for (int c = 0; c < ColCount; ++c)
        setColumnWidthTwips(c, m_columnTwips[c]);

    buildToolbar();
    buildMenus();
    m_context = std::make_unique<CommandContext>(
        CommandWidgets{m_client->grid, m_client->panel1, m_client->panel2,
                       findChild<QAction *>(QStringLiteral("File_DiffOnly"))},
        m_table, m_model, m_settings, m_services);
    m_commands = std::make_unique<ListCommands>(ListWidgets{m_client->file, m_client->dir, m_client->progress},
                                                *m_context);
    m_records = std::make_unique<RecordCommands>(*m_context);
    m_digests = std::make_unique<DigestCommands>(*m_context);
#ifdef QUILNAVER_OFFICE
    m_exports = std::make_unique<ExportCommands>(*m_context, m_extras);
#endif
    m_gestures = std::make_unique<GestureRouter>(*m_client, *m_commands, m_popupDir, m_popupFile, m_popupGrid);

    // Window load: the list in its start-up state, then the settings, read
    // and written in one place for the whole run.
    m_model.clear();
    LoadSettings();
    m_catalogue = std::make_unique<CatalogueCommands>(this, *m_context, *m_commands);
    m_catalogue->setWindowGeometry(m_extras.catalogueWindow, [this](const QRect &geometry) {
        m_extras.catalogueWindow = geometry;
        m_store.saveCatalogueWindow(geometry);
    });

    // The described size is the default and the smallest; the window grows
    // from there.
    setCentralWidget(m_client);
    const QSize defaultSize = sizeHint();
    setMinimumSize(defaultSize);
    resize(defaultSize);
    restoreWindowPlace();
    m_client->setPaneSizes(m_extras.panes);
}

void MainWindow::restoreWindowPlace()
{
    if (!m_extras.window)
        return;
    QList<ScreenArea> screens;
    for (const QScreen *screen : QGuiApplication::screens())
        screens.append(areaOf(screen));
    const RestoredPlace place =
        restoredPlace(*m_extras.window, minimumSize(), screens, areaOf(QGuiApplication::primaryScreen()));
    if (place.placed)
        setGeometry(place.geometry);
    else if (QGuiApplication::primaryScreen())
        resize(place.geometry.size());
    if (m_extras.maximized)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void MainWindow::restoreExtraColumnWidths(int first, int last)
{
    for (int column = std::max(first, int(ColCount)); column <= last; ++column) {
        const auto width = m_extras.columnWidths.constFind(columnKey(m_model.columnKind(column)));
        if (width != m_extras.columnWidths.cend())
            m_client->grid->setColumnWidth(column, *width);
    }
}

void MainWindow::applyFilter(const FilterPatterns &patterns)
{
    m_extras.filter = patterns;
    const NameFilter filter(patterns);
    m_commands->setFilter(filter);
    m_client->file->setFilter(filter);
    m_client->panel3->setVisible(filter.isSet());
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

void MainWindow::ReWrite()
{
    setHyojiPicture(m_settings.SizeUnit);
    m_model.unitChanged();
    m_context->updateTotalBytesPanel();
}

void MainWindow::SetupGridHeaders()
{
    m_model.unitChanged();
}

void MainWindow::setColumnWidthTwips(int column, int twipsWidth)
{
    m_columnTwips[column] = twipsWidth;
    m_settingWidths = true;
    m_client->grid->setColumnWidth(column, twips(twipsWidth));
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
        loaded = m_client->dir->setPath(record->listDirectory);
    }
    if (loaded) {
        m_settings.SaveDirectory = record->saveDirectory;
        m_settings.SaveFileName = record->saveFileName;
        m_settings.SizeUnit = record->sizeUnit;
        m_settings.SettingsSaveOption = record->settingsSaveOption;
        setHyojiPicture(m_settings.SizeUnit);
        loaded = m_client->drive->setDrive(m_settings.LastGoodDrive);
    }
    if (!loaded)
        ApplyDefaultSettings();
    SetupGridHeaders();
    m_context->updateStatusTotals();
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

    if (m_client->drive->setDrive(m_settings.LastGoodDrive) && m_client->dir->setPath(defaultListDirectory())) {
        for (int c = 0; c < ColCount; ++c)
            setColumnWidthTwips(c, DefaultColumnWidths[c]);
        return;
    }
    // Nothing of the defaults can be used: the program's own directory can.
    const QString programDirectory = m_services.programDirectory;
    m_client->dir->setPath(programDirectory);
    m_settings.SaveDirectory = withTrailingSeparator(programDirectory);
    m_settings.LastGoodDrive = volumeOf(programDirectory).designation;
    m_client->drive->setDrive(m_settings.LastGoodDrive);
}

bool MainWindow::SaveSettings()
{
    SettingsRecord record;
    for (int c = 0; c < ColCount; ++c)
        record.columnWidths[c] = m_columnTwips[c];
    record.lastGoodDrive = m_settings.LastGoodDrive;
    record.listDirectory = m_client->dir->path();
    record.saveDirectory = m_settings.SaveDirectory;
    record.saveFileName = m_settings.SaveFileName;
    record.sizeUnit = m_settings.SizeUnit;
    record.settingsSaveOption = m_settings.SettingsSaveOption;
    m_extras.window = normalGeometry();
    m_extras.panes = m_client->paneSizes();
    m_extras.maximized = isMaximized();
    if (m_store.save(record, m_extras))
        return true;
    return m_services.messages->confirm(SaveFailedText, SaveFailedTitle);
}

void MainWindow::onDriveChanged()
{
    if (showDrive(m_client->drive->drive()))
        return;
    if (m_recovering)
        return;
    m_services.messages->inform(DriveUnusable);
    // Back to the last good drive; when that has gone too, to the program's
    // own volume, instead of asking again and again.
    m_recovering = true;
    m_client->drive->showDrive(m_settings.LastGoodDrive);
    if (!showDrive(m_settings.LastGoodDrive)) {
        const QString programDirectory = m_services.programDirectory;
        const QString designation = volumeOf(programDirectory).designation;
        m_client->drive->showDrive(designation);
        if (!m_client->dir->setPath(programDirectory))
            m_client->dir->setPath(rootOfDesignation(designation));
        m_settings.LastGoodDrive = designation;
    }
    m_recovering = false;
}

bool MainWindow::showDrive(const QString &designation)
{
    const QString root = rootOfDesignation(designation);
    if (root.isEmpty() || !isVolumeUsable(root))
        return false;
    if (!m_client->dir->setPath(m_client->drive->currentDirectoryOf(designation)) && !m_client->dir->setPath(root))
        return false;
    m_settings.LastGoodDrive = designation;
    return true;
}

void MainWindow::onDirectoryChanged(const QString &path)
{
    m_client->file->setPath(path);
    // The directory becomes its volume's current one; the selector follows
    // when the list has moved onto another volume.
    const QString designation = m_client->drive->rememberDirectory(path);
    if (!designation.isEmpty() && !sameVolumeRoot(rootOfDesignation(designation), rootOfDesignation(m_client->drive->drive()))) {
        m_client->drive->showDrive(designation);
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

#include "ui/MainWindow.h"

#include "ui/FilterDialog.h"
#include "ui/GridView.h"
#include "ui/HtmlExport.h"

#include <QMenuBar>
#include <QShortcut>
#include <QToolBar>
#include <QToolButton>

namespace qn {

namespace {

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

} // namespace

void MainWindow::buildToolbar()
{
    m_client->toolbar->setMovable(false);
    m_client->toolbar->setFloatable(false);
    m_client->toolbar->setIconSize(QSize(32, 32));
    m_client->toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_client->toolbar->setContentsMargins(0, 0, 0, 0);
    for (const ToolButton &b : ToolButtons) {
        const QString key = QLatin1String(b.key);
        QAction *action = m_client->toolbar->addAction(QString::fromUtf8(b.caption));
        action->setObjectName(key);
        action->setToolTip(QString::fromUtf8(b.tooltip));
        if (b.picture > 0)
            action->setIcon(picture(b.picture));
        action->setCheckable(key == QLatin1String("SettingSave"));
        QWidget *button = m_client->toolbar->widgetForAction(action);
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
            [this] { SaveHtmlFile(this, m_table, m_settings, m_services, m_context->listTitle()); });
    connect(addItem(file, "File_OpenCsv", openCsvCaption()), &QAction::triggered, this,
            [this] { m_records->OpenCsvFile(); });
    connect(addItem(file, "File_CheckDisk", checkDiskCaption()), &QAction::triggered, this,
            [this] { m_records->CheckAgainstDisk(); });
    connect(addItem(file, "File_CheckList", checkListCaption()), &QAction::triggered, this,
            [this] { m_records->CheckAgainstList(); });
    connect(addItem(file, "File_ApplyCheck", applyResultCaption()), &QAction::triggered, this,
            [this] { m_records->ApplyCheckResult(); });
    QAction *differencesOnly = addItem(file, "File_DiffOnly", differencesOnlyCaption());
    differencesOnly->setCheckable(true);
    connect(differencesOnly, &QAction::triggered, this, [this](bool on) { m_records->setDifferencesOnly(on); });
    connect(addItem(file, "File_Sha256", computeSha256Caption()), &QAction::triggered, this,
            [this] { m_digests->ComputeSha256Digests(); });
    connect(addItem(file, "File_SaveSums", saveSumsCaption()), &QAction::triggered, this,
            [this] { m_digests->SaveSha256Sums(); });
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
    m_client->grid->addAction(copy);
    connect(copy, &QAction::triggered, this, [this] { m_commands->CopySelectedRows(); });
    m_popupGrid->addSeparator();
    connect(addItem(m_popupGrid, "RClick_Sha256", computeSha256Caption()), &QAction::triggered, this,
            [this] { m_digests->ComputeSha256Digests(); });
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

} // namespace qn

#pragma once

#include "list/EntryTable.h"
#include "settings/Settings.h"
#include "settings/SettingsStore.h"
#include "ui/CatalogueCommands.h"
#include "ui/GestureRouter.h"
#include "ui/CommandContext.h"
#include "ui/DigestCommands.h"
#include "ui/EntryModel.h"
#ifdef QUILNAVER_OFFICE
#include "ui/ExportCommands.h"
#endif
#include "ui/ListCommands.h"
#include "ui/MainClient.h"
#include "ui/RecordCommands.h"
#include "ui/Services.h"

#include <QHash>
#include <QMainWindow>
#include <memory>

class QAction;
class QMenu;

namespace qn {

// Main: builds the window (its client area, menus and toolbar), routes every
// user action to its command, and owns the list, the settings and the
// navigation chain Drive1 -> Dir1 -> File1.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(const Services &services, QWidget *parent = nullptr);
    ~MainWindow() override;

    // The routing table's entry points.
    void toolbarClicked(const QString &key);
    bool ConfirmExit();
    void ShowHelpFile();
    void ShowOptions();
    void ShowAbout();
    // The filter dialog; OK applies and keeps what it shows.
    void ShowFilter();
    const FilterPatterns &filterPatterns() const { return m_extras.filter; }
    void ReWrite();
    ListCommands &commands() { return *m_commands; }
    RecordCommands &records() { return *m_records; }
    DigestCommands &digests() { return *m_digests; }
    CatalogueCommands &catalogue() { return *m_catalogue; }
#ifdef QUILNAVER_OFFICE
    ExportCommands &exports() { return *m_exports; }
#endif

    // Column widths in twips, as the settings file keeps them.
    int columnWidthTwips(int column) const { return m_columnTwips[column]; }
    void setColumnWidthTwips(int column, int twips);

    const EntryTable &table() const { return m_table; }
    Settings &settings() { return m_settings; }
    QString settingsFilePath() const { return m_store.settingsFile(); }
    QString iniFilePath() const { return m_store.iniFile(); }
    QString helpFilePath() const;
    // Picture number (1-based) the "Hyoji" button shows.
    int hyojiPicture() const { return m_hyojiPicture; }
    bool hasExited() const { return m_exited; }

signals:
    void exitRequested();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenus();
    void buildToolbar();

    void LoadSettings();
    void ApplyDefaultSettings();
    bool SaveSettings();
    void SetupGridHeaders();
    void setHyojiPicture(int unit);
    void syncSettingSaveButton();
    void restoreWindowPlace();
    void applyFilter(const FilterPatterns &patterns);
    void restoreExtraColumnWidths(int first, int last);

    void onDriveChanged();
    bool showDrive(const QString &designation);
    void onDirectoryChanged(const QString &path);
    bool askExit();

    Services m_services;
    SettingsStore m_store;
    ExtraSettings m_extras; // what the INI file keeps, as of the last load or save
    Settings m_settings;
    EntryTable m_table;
    EntryModel m_model;

    MainClient *m_client = nullptr;
    QMenu *m_popupDir = nullptr;
    QMenu *m_popupFile = nullptr;
    QMenu *m_popupGrid = nullptr;
    QHash<QString, QAction *> m_buttons;

    std::unique_ptr<CommandContext> m_context;
    std::unique_ptr<ListCommands> m_commands;
    std::unique_ptr<RecordCommands> m_records;
    std::unique_ptr<DigestCommands> m_digests;
    std::unique_ptr<CatalogueCommands> m_catalogue;
#ifdef QUILNAVER_OFFICE
    std::unique_ptr<ExportCommands> m_exports;
#endif
    std::unique_ptr<GestureRouter> m_gestures;
    int m_columnTwips[4] = {DefaultColumnWidths[0], DefaultColumnWidths[1], DefaultColumnWidths[2],
                            DefaultColumnWidths[3]};
    bool m_settingWidths = false;
    int m_hyojiPicture = 0;
    bool m_recovering = false;
    bool m_exited = false;
};

} // namespace qn

#pragma once

#include "catalogue/Catalogue.h"

#include <QPointer>
#include <QRect>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class QWidget;

namespace qn {

class CatalogueWindow;
class CommandContext;
class EntryModel;
class EntryTable;
class ListCommands;
class Messages;
class SaveFileChooser;
class WorkProgress;
struct Settings;

// The catalogue's menu items: the list stored as a volume, and the search
// window whose rows come back to the list.
class CatalogueCommands {
public:
    CatalogueCommands(QWidget *window, CommandContext &context, ListCommands &commands);
    ~CatalogueCommands();

    // Where the search window was last (from the INI file), and where it is
    // kept when it closes.
    void setWindowGeometry(const std::optional<QRect> &geometry,
                           std::function<void(const QRect &)> save);
    // The volume name prompt; tests replace it.
    using AskName = std::function<std::optional<QString>(const QString &title, const QString &prompt,
                                                         const QString &prefilled)>;
    void setAskName(AskName ask) { m_askName = std::move(ask); }
    // The folder prompt of ボリュームの場所...; tests replace it.
    using AskFolder = std::function<std::optional<QString>(const QString &title, const QString &start)>;
    void setAskFolder(AskFolder ask) { m_askFolder = std::move(ask); }

    void AddToCatalogue();
    void SearchCatalogue();
    // The search window of the catalogue at path (one at a time).
    CatalogueWindow *openSearchWindow(const QString &path);
    CatalogueWindow *searchWindow() const;

    // The catalogued rows appended to the list with their recorded values.
    void appendHits(const std::vector<CatalogueHit> &hits);
    // The volume as the list, after the new-list question when the list
    // holds entries; false when the user kept the list or it cannot be read.
    bool openVolume(const QString &path, qint64 volume, const QString &name);

private:
    QString suggestedName() const;

    QWidget *m_parent;
    CommandContext &m_context;
    EntryTable &m_table;
    EntryModel &m_model;
    ListCommands &m_commands;
    Settings &m_settings;
    Messages &m_messages;
    SaveFileChooser &m_chooser;
    WorkProgress &m_work;
    AskName m_askName;
    AskFolder m_askFolder;
    std::optional<QRect> m_geometry;
    std::function<void(const QRect &)> m_saveGeometry;
    QPointer<CatalogueWindow> m_window;
    QString m_lastCatalogue;
    QString m_openedVolume; // the volume last opened as the list
};

QString addToCatalogueCaption();
QString searchCatalogueCaption();

} // namespace qn

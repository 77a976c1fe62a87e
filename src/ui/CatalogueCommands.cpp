#include "ui/CatalogueCommands.h"

#include "list/EntryTable.h"
#include "platform/Volumes.h"
#include "settings/Settings.h"
#include "ui/CatalogueTexts.h"
#include "ui/CatalogueWindow.h"
#include "ui/CommandContext.h"
#include "ui/EntryModel.h"
#include "ui/ListCommands.h"
#include "ui/Messages.h"
#include "ui/Services.h"
#include "ui/WorkProgress.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>

#include <memory>

namespace qn {

using namespace catalogue_text;

QString addToCatalogueCaption()
{
    return AddCaption;
}

QString searchCatalogueCaption()
{
    return SearchCaption;
}

CatalogueCommands::CatalogueCommands(QWidget *window, CommandContext &context, ListCommands &commands)
    : m_parent(window)
    , m_context(context)
    , m_table(context.table)
    , m_model(context.model)
    , m_commands(commands)
    , m_settings(context.settings)
    , m_messages(context.messages)
    , m_chooser(context.chooser)
    , m_work(context.work)
{
    m_askName = [this](const QString &title, const QString &prompt, const QString &prefilled) -> std::optional<QString> {
        bool ok = false;
        const QString name = QInputDialog::getText(m_parent, title, prompt, QLineEdit::Normal, prefilled, &ok);
        return ok ? std::optional<QString>(name) : std::nullopt;
    };
    m_askFolder = [this](const QString &title, const QString &start) -> std::optional<QString> {
        const QString folder = QFileDialog::getExistingDirectory(m_parent, title, start);
        return folder.isEmpty() ? std::nullopt : std::optional<QString>(folder);
    };
}

CatalogueCommands::~CatalogueCommands()
{
    delete m_window.data();
}

void CatalogueCommands::setWindowGeometry(const std::optional<QRect> &geometry, std::function<void(const QRect &)> save)
{
    m_geometry = geometry;
    m_saveGeometry = std::move(save);
}

QString CatalogueCommands::suggestedName() const
{
    if (!m_openedVolume.isEmpty())
        return m_openedVolume;
    // The volume's label as the drive box shows it, else the name of the
    // deepest folder every entry lies in.
    QString common = commonFolder(m_table);
    if (const QString label = volumeLabel(common); !label.isEmpty())
        return label;
    while (common.endsWith(QLatin1Char('/')))
        common.chop(1);
    return common.mid(common.lastIndexOf(QLatin1Char('/')) + 1);
}

void CatalogueCommands::AddToCatalogue()
{
    if (m_table.EntryCount() == 0) {
        m_messages.inform(EmptyList, AddTitle);
        return;
    }
    const QString directory =
        m_lastCatalogue.isEmpty() ? m_settings.SaveDirectory : QFileInfo(m_lastCatalogue).absolutePath() + QLatin1Char('/');
    const QString fileName = m_lastCatalogue.isEmpty() ? DefaultFile : QFileInfo(m_lastCatalogue).fileName();
    const std::optional<QString> path = m_chooser.choose(m_parent, AddTitle, directory, fileName, Filter);
    if (!path)
        return;
    const std::optional<QString> asked = m_askName(AddTitle, AskVolumeName, suggestedName());
    if (!asked || asked->trimmed().isEmpty())
        return;
    const QString name = asked->trimmed();
    {
        Catalogue catalogue;
        const CatalogueError e = catalogue.open(*path, true);
        if (e != CatalogueError::None) {
            m_messages.inform(errorText(e), AddTitle);
            return;
        }
        if (catalogue.isReadOnly()) {
            m_messages.inform(CannotWrite, AddTitle);
            return;
        }
        if (catalogue.findVolume(name) != 0 && !m_messages.confirm(ConfirmReplace, AddTitle))
            return;
    }
    m_lastCatalogue = *path;
    // The worker stores a copy: the list may change once the window is free again.
    const auto table = std::make_shared<const EntryTable>(m_table);
    const auto error = std::make_shared<CatalogueError>(CatalogueError::None);
    VolumeSource source;
    source.scope = listScope(m_table);
    source.label = volumeLabel(commonFolder(m_table));
    source.serial = volumeSerial(commonFolder(m_table));
    const QString file = *path;
    const bool finished = m_work.run(m_parent, AddTitle,
                                     [table, error, source, file, name](const std::atomic<bool> &cancel,
                                                                        const TreeWalkProgress &) {
                                         Catalogue catalogue;
                                         *error = catalogue.open(file, true);
                                         if (*error == CatalogueError::None)
                                             *error = catalogue.addVolume(name, *table, source, cancel);
                                     });
    if (!finished)
        return; // the add rolls back
    if (*error != CatalogueError::None) {
        m_messages.inform(errorText(*error), AddTitle);
        return;
    }
    m_openedVolume = name;
    if (m_window && m_window->path() == file)
        m_window->reloadVolumes();
    m_messages.inform(Added, AddTitle);
}

void CatalogueCommands::SearchCatalogue()
{
    const QString directory =
        m_lastCatalogue.isEmpty() ? m_settings.SaveDirectory : QFileInfo(m_lastCatalogue).absolutePath() + QLatin1Char('/');
    const std::optional<QString> path = m_chooser.chooseToOpen(m_parent, SearchTitle, directory, Filter);
    if (!path)
        return;
    Catalogue catalogue;
    if (const CatalogueError e = catalogue.open(*path, false); e != CatalogueError::None) {
        m_messages.inform(errorText(e), SearchTitle);
        return;
    }
    m_lastCatalogue = *path;
    openSearchWindow(*path);
}

CatalogueWindow *CatalogueCommands::openSearchWindow(const QString &path)
{
    if (m_window) {
        m_window->close();
        delete m_window.data();
    }
    CatalogueWindowHooks hooks;
    hooks.addToList = [this](const std::vector<CatalogueHit> &hits) { appendHits(hits); };
    hooks.openVolume = [this](const QString &file, qint64 volume, const QString &name) {
        return openVolume(file, volume, name);
    };
    hooks.saveGeometry = [this](const QRect &r) {
        m_geometry = r;
        if (m_saveGeometry)
            m_saveGeometry(r);
    };
    hooks.askName = m_askName;
    hooks.askFolder = m_askFolder;
    m_window = new CatalogueWindow(path, m_messages, m_chooser, std::move(hooks), m_parent);
    if (m_geometry)
        m_window->setGeometry(*m_geometry);
    m_window->show();
    return m_window;
}

CatalogueWindow *CatalogueCommands::searchWindow() const
{
    return m_window;
}

void CatalogueCommands::appendHits(const std::vector<CatalogueHit> &hits)
{
    for (const CatalogueHit &h : hits)
        appendHit(m_table, h);
    m_model.showAppended();
    m_context.updateStatusTotals();
}

bool CatalogueCommands::openVolume(const QString &path, qint64 volume, const QString &name)
{
    if (m_table.EntryCount() > 0) {
        m_commands.NewList();
        if (m_table.EntryCount() > 0)
            return false;
    }
    Catalogue catalogue;
    CatalogueError e = catalogue.open(path, false);
    EntryTable read;
    if (e == CatalogueError::None)
        e = catalogue.readVolume(volume, read);
    if (e != CatalogueError::None) {
        m_messages.inform(errorText(e), SearchTitle);
        return false;
    }
    // The list is empty: the volume's table becomes it whole, so no entry is
    // ever held twice.
    for (const ScopeFolder &f : m_table.RememberedFolders())
        read.RememberFolder(f.path, f.subdirectories);
    m_table = std::move(read);
    m_openedVolume = name;
    m_context.title = name;
    m_lastCatalogue = path;
    m_model.showAppended();
    m_context.updateStatusTotals();
    return true;
}

} // namespace qn

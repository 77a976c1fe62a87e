#include "settings/SettingsStore.h"

#include "platform/FileSystem.h"
#include "platform/SafeWrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

namespace qn {

namespace {

const QString SettingsFileName = QStringLiteral("quilnaver.cfg");
const QString IniFileName = QStringLiteral("quilnaver.ini");

// No screen reaches this far; a value beyond it is garbage.
constexpr int MaxCoordinate = 1 << 20;
constexpr int MaxPatternsLength = 64 * 1024;

std::optional<int> intValue(const QSettings &ini, const QString &key, int low, int high)
{
    bool ok = false;
    const int value = ini.value(key).toString().toInt(&ok);
    if (!ok || value < low || value > high)
        return std::nullopt;
    return value;
}

std::optional<bool> boolValue(const QSettings &ini, const QString &key)
{
    const QString text = ini.value(key).toString();
    if (text == QLatin1String("true"))
        return true;
    if (text == QLatin1String("false"))
        return false;
    return std::nullopt;
}

QString patternsValue(const QSettings &ini, const QString &key)
{
    const QVariant value = ini.value(key);
    if (value.typeId() != QMetaType::QString)
        return QString();
    const QString text = value.toString();
    return text.size() <= MaxPatternsLength ? text : QString();
}

} // namespace

SettingsStore::SettingsStore(const QString &programDirectory, const QString &configDirectory)
{
    // Beside the program, as a portable copy keeps it, whenever it is there
    // or could be; otherwise (an installed copy) in the user's configuration
    // folder. The INI file always stands beside the ten-line file.
    const QString beside = withTrailingSeparator(programDirectory);
    const bool portable = QFileInfo::exists(beside + SettingsFileName) || configDirectory.isEmpty()
                          || canCreateFilesIn(programDirectory);
    const QString folder = portable ? beside : withTrailingSeparator(configDirectory);
    m_settingsFile = folder + SettingsFileName;
    m_iniFile = folder + IniFileName;
}

std::optional<SettingsRecord> SettingsStore::loadRecord() const
{
    QFile file(m_settingsFile);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return readSettings(file);
}

ExtraSettings SettingsStore::loadExtras() const
{
    return readExtraSettings(m_iniFile);
}

bool SettingsStore::makeFolder() const
{
    // The configuration folder is made on the first save.
    const QString folder = QFileInfo(m_settingsFile).absolutePath();
    return QFileInfo::exists(folder) || QDir().mkpath(folder);
}

bool SettingsStore::save(const SettingsRecord &record, const ExtraSettings &extras) const
{
    return makeFolder() && saveBytes(m_settingsFile, SettingsFileText(record)) && saveExtras(extras);
}

bool SettingsStore::saveFilter(const FilterPatterns &filter) const
{
    ExtraSettings extras = loadExtras();
    extras.filter = filter;
    return makeFolder() && saveExtras(extras);
}

bool SettingsStore::saveCatalogueWindow(const QRect &geometry) const
{
    ExtraSettings extras = loadExtras();
    extras.catalogueWindow = geometry;
    return makeFolder() && saveExtras(extras);
}

bool SettingsStore::saveExtras(const ExtraSettings &extras) const
{
    const QByteArray text = extraSettingsText(extras);
    return !text.isEmpty() && saveBytes(m_iniFile, text);
}

QByteArray extraSettingsText(const ExtraSettings &extras)
{
    // QSettings makes the text (its quoting and escapes are what it reads
    // back) in a scratch folder; the real file is then written by the safe
    // write, whole or not at all.
    QTemporaryDir scratch;
    if (!scratch.isValid())
        return QByteArray();
    const QString path = scratch.filePath(IniFileName);
    {
        QSettings ini(path, QSettings::IniFormat);
        if (extras.window) {
            ini.beginGroup(QStringLiteral("Window"));
            ini.setValue(QStringLiteral("x"), extras.window->x());
            ini.setValue(QStringLiteral("y"), extras.window->y());
            ini.setValue(QStringLiteral("width"), extras.window->width());
            ini.setValue(QStringLiteral("height"), extras.window->height());
            ini.setValue(QStringLiteral("maximized"), extras.maximized);
            ini.endGroup();
        }
        if (extras.panes.left > 0 || extras.panes.folders > 0) {
            ini.beginGroup(QStringLiteral("Panes"));
            if (extras.panes.left > 0)
                ini.setValue(QStringLiteral("left"), extras.panes.left);
            if (extras.panes.folders > 0 && extras.panes.files > 0) {
                ini.setValue(QStringLiteral("folders"), extras.panes.folders);
                ini.setValue(QStringLiteral("files"), extras.panes.files);
            }
            ini.endGroup();
        }
        if (!extras.columnWidths.isEmpty()) {
            ini.beginGroup(QStringLiteral("Columns"));
            for (auto it = extras.columnWidths.cbegin(); it != extras.columnWidths.cend(); ++it)
                ini.setValue(it.key(), it.value());
            ini.endGroup();
        }
        if (extras.catalogueWindow) {
            ini.beginGroup(QStringLiteral("CatalogueWindow"));
            ini.setValue(QStringLiteral("x"), extras.catalogueWindow->x());
            ini.setValue(QStringLiteral("y"), extras.catalogueWindow->y());
            ini.setValue(QStringLiteral("width"), extras.catalogueWindow->width());
            ini.setValue(QStringLiteral("height"), extras.catalogueWindow->height());
            ini.endGroup();
        }
        ini.beginGroup(QStringLiteral("Filter"));
        ini.setValue(QStringLiteral("include"), extras.filter.include);
        ini.setValue(QStringLiteral("exclude"), extras.filter.exclude);
        ini.setValue(QStringLiteral("excludeDirectories"), extras.filter.excludeDirectories);
        ini.setValue(QStringLiteral("hidden"), extras.filter.hidden);
        ini.endGroup();
        if (!extras.pageSetup.isEmpty())
            ini.setValue(QStringLiteral("Page/setup"), extras.pageSetup);
        ini.sync();
        if (ini.status() != QSettings::NoError)
            return QByteArray();
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

ExtraSettings readExtraSettings(const QString &iniPath)
{
    ExtraSettings extras;
    if (!QFileInfo(iniPath).isFile())
        return extras;
    const QSettings ini(iniPath, QSettings::IniFormat);
    if (ini.status() != QSettings::NoError)
        return extras;

    const auto x = intValue(ini, QStringLiteral("Window/x"), -MaxCoordinate, MaxCoordinate);
    const auto y = intValue(ini, QStringLiteral("Window/y"), -MaxCoordinate, MaxCoordinate);
    const auto width = intValue(ini, QStringLiteral("Window/width"), 1, MaxCoordinate);
    const auto height = intValue(ini, QStringLiteral("Window/height"), 1, MaxCoordinate);
    if (x && y && width && height)
        extras.window = QRect(*x, *y, *width, *height);
    extras.maximized = boolValue(ini, QStringLiteral("Window/maximized")).value_or(false);
    extras.panes.left = intValue(ini, QStringLiteral("Panes/left"), 1, MaxCoordinate).value_or(0);
    const auto folders = intValue(ini, QStringLiteral("Panes/folders"), 1, MaxCoordinate);
    const auto files = intValue(ini, QStringLiteral("Panes/files"), 1, MaxCoordinate);
    if (folders && files)
        extras.panes = {extras.panes.left, *folders, *files};

    for (const QString &key : {QStringLiteral("state"), QStringLiteral("sha256")}) {
        if (const auto w = intValue(ini, QStringLiteral("Columns/") + key, 1, MaxColumnTwips / 15))
            extras.columnWidths.insert(key, *w);
    }

    const auto cx = intValue(ini, QStringLiteral("CatalogueWindow/x"), -MaxCoordinate, MaxCoordinate);
    const auto cy = intValue(ini, QStringLiteral("CatalogueWindow/y"), -MaxCoordinate, MaxCoordinate);
    const auto cw = intValue(ini, QStringLiteral("CatalogueWindow/width"), 1, MaxCoordinate);
    const auto ch = intValue(ini, QStringLiteral("CatalogueWindow/height"), 1, MaxCoordinate);
    if (cx && cy && cw && ch)
        extras.catalogueWindow = QRect(*cx, *cy, *cw, *ch);

    extras.filter.include = patternsValue(ini, QStringLiteral("Filter/include"));
    extras.filter.exclude = patternsValue(ini, QStringLiteral("Filter/exclude"));
    extras.filter.excludeDirectories = patternsValue(ini, QStringLiteral("Filter/excludeDirectories"));
    extras.filter.hidden = boolValue(ini, QStringLiteral("Filter/hidden")).value_or(false);
    extras.pageSetup = ini.value(QStringLiteral("Page/setup")).toString();
    return extras;
}

} // namespace qn

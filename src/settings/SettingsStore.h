#pragma once

#include "platform/NameFilter.h"
#include "settings/SettingsFile.h"

#include <QMap>
#include <QRect>
#include <QString>
#include <optional>

namespace qn {

// The main window's splitters: the left panes' width and the heights of the
// folder and file lists, in pixels; 0 where the user has not moved them.
struct PaneSizes {
    int left = 0;
    int folders = 0;
    int files = 0;
    bool operator==(const PaneSizes &) const = default;
};

// What the ten-line file has no room for: the main window's place and panes,
// the widths of the columns that come and go, and the filter.
struct ExtraSettings {
    std::optional<QRect> window; // the window's normal geometry, frame left out
    bool maximized = false;
    PaneSizes panes;
    QMap<QString, int> columnWidths; // pixels, by the column's key
    FilterPatterns filter;
    QString pageSetup; // the print and PDF page: size, orientation, margins
    std::optional<QRect> catalogueWindow; // the catalogue search window's geometry
    bool operator==(const ExtraSettings &) const = default;
};

// Where the settings live and how they are kept: the ten-line file
// (quilnaver.cfg) and beside it an INI file (quilnaver.ini, UTF-8), both in
// the program's folder for a portable copy, else in the user's configuration
// folder. Both are written whole or not at all.
class SettingsStore {
public:
    SettingsStore(const QString &programDirectory, const QString &configDirectory);

    QString settingsFile() const { return m_settingsFile; }
    QString iniFile() const { return m_iniFile; }

    // Empty when the file is missing or cannot be read as ten values.
    std::optional<SettingsRecord> loadRecord() const;
    // Defaults for whatever is missing, garbled or out of range.
    ExtraSettings loadExtras() const;
    // The ten lines, then the INI file; false when either could not be written.
    bool save(const SettingsRecord &record, const ExtraSettings &extras) const;
    // The filter alone, the INI file's other values kept.
    bool saveFilter(const FilterPatterns &filter) const;
    // The catalogue search window's geometry alone, the other values kept.
    bool saveCatalogueWindow(const QRect &geometry) const;

private:
    bool makeFolder() const;
    bool saveExtras(const ExtraSettings &extras) const;

    QString m_settingsFile;
    QString m_iniFile;
};

// The INI file's text for extras, and extras read from such a text; exposed
// for the tests.
QByteArray extraSettingsText(const ExtraSettings &extras);
ExtraSettings readExtraSettings(const QString &iniPath);

} // namespace qn

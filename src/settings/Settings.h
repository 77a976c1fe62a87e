#pragma once

#include <QString>

namespace qn {

// The five program-wide settings, read and assigned directly.
struct Settings {
    QString SaveDirectory;       // ends in the directory separator
    QString SaveFileName;
    int SizeUnit = 3;            // 0..3, see SizeFormat.h
    int SettingsSaveOption = 1;  // 0 save at exit, 1 do not
    QString LastGoodDrive;       // a volume designation
};

// Where the defaults point without drive letters: the user's documents folder
// stands for "c:\My Documents" and its volume for "c:\".
QString defaultListDirectory();     // no trailing separator
QString defaultDriveDesignation();

Settings defaultSettings();

// The grid's column widths in twips before anything else sets them.
constexpr int DefaultColumnWidths[4] = {1800, 1300, 1400, 4000};
// No screen shows a column wider than 16,384 pixels; a wider one in the
// settings file is garbage.
constexpr int MaxColumnTwips = 16384 * 15;

// A directory path with exactly one trailing separator.
QString withTrailingSeparator(const QString &directory);

} // namespace qn

#pragma once

#include "settings/Settings.h"

#include <QByteArray>
#include <QString>
#include <optional>

class QIODevice;

namespace qn {

// The ten values of the settings file, in file order.
struct SettingsRecord {
    int columnWidths[4] = {DefaultColumnWidths[0], DefaultColumnWidths[1], DefaultColumnWidths[2],
                           DefaultColumnWidths[3]};
    QString lastGoodDrive;
    QString listDirectory;
    QString saveDirectory;
    QString saveFileName;
    int sizeUnit = 3;
    int settingsSaveOption = 1;
};

// Ten lines, CR LF after each. Integers: a sign character (blank or "-"), the
// digits, one blank. Text as it is, unless it holds a comma, a double quote,
// a line break or leading blanks: then it is quoted, with inner quotes doubled.
QByteArray SettingsFileText(const SettingsRecord &record);

// Reads the first ten fields. A field ends at a comma or a line end; blanks
// before it are skipped. Fewer than ten fields, a field that is not a number
// where one belongs, a number out of range, a text that cannot be a path
// (holding a NUL, or an empty directory for the list file), or an absurdly long field fail
// the load. Reads no further than the tenth field.
std::optional<SettingsRecord> readSettings(QIODevice &in);
std::optional<SettingsRecord> readSettings(const QByteArray &data);

} // namespace qn

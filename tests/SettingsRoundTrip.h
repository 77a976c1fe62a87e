#pragma once

#include "settings/SettingsFile.h"

namespace qn::test {

// Whatever the reader accepts must write out and read back to the same values.
inline bool settingsRoundTripHolds(const QByteArray &input)
{
    const auto record = readSettings(input);
    if (!record)
        return true;
    const auto again = readSettings(SettingsFileText(*record));
    if (!again)
        return false;
    for (int i = 0; i < 4; ++i) {
        if (again->columnWidths[i] != record->columnWidths[i])
            return false;
    }
    return again->lastGoodDrive == record->lastGoodDrive && again->listDirectory == record->listDirectory
           && again->saveDirectory == record->saveDirectory && again->saveFileName == record->saveFileName
           && again->sizeUnit == record->sizeUnit && again->settingsSaveOption == record->settingsSaveOption;
}

} // namespace qn::test

#include "settings/SettingsFile.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto record =
        qn::readSettings(QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)));
    if (record) {
        // What loads must write out and load again to the same values.
        const auto again = qn::readSettings(qn::SettingsFileText(*record));
        if (!again || again->listDirectory != record->listDirectory || again->saveFileName != record->saveFileName
            || again->saveDirectory != record->saveDirectory || again->lastGoodDrive != record->lastGoodDrive
            || again->sizeUnit != record->sizeUnit)
            __builtin_trap();
    }
    return 0;
}

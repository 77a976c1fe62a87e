#include "../tests/SettingsRoundTrip.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (!qn::test::settingsRoundTripHolds(
            QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size))))
        __builtin_trap();
    return 0;
}

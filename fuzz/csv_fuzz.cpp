#include "../tests/CsvRoundTrip.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ctime>

// Local times in a zone with summer time, so the hours a change skips or
// repeats are read and written too.
extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (!qn::test::csvRoundTripHolds(QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size))))
        __builtin_trap();
    return 0;
}

#pragma once

#include "platform/FileSystem.h"

#include <QtGlobal>

#include <limits>
#include <unordered_map>

namespace qn {

// Days since 1970-01-01 of a civil date, and back (proleptic Gregorian).
qint64 daysFromCivil(qint64 y, int m, int d);
LocalTime civilFromSeconds(qint64 s);

// A civil date and time whose year may lie far outside what an int holds
// (the file systems that keep 64-bit seconds reach past year 2^31).
struct CivilTime {
    qint64 year = 1970;
    int month = 1, day = 1, hour = 0, minute = 0, second = 0;
};
// Seconds since 1970-01-01 00:00:00 on the civil clock, and back; false
// when the time does not fit 64 bits.
bool civilSecondsOf(const CivilTime &t, qint64 &seconds);
CivilTime civilTimeOf(qint64 civilSeconds);

// The local clock, asked about a day's offset from UTC once: a day whose
// offset is the same at its start, its middle and its end keeps it all day
// (zones change their offset once or twice a year). Fast enough to turn a
// million times into text, or text back into times.
class LocalClock {
public:
    // For moments whose year fits an int.
    LocalTime at(qint64 seconds);
    // The moment the local clock showed t. In the hour a change repeats, the
    // first reading; a time the clock skipped is taken as the earlier offset
    // would have shown it.
    qint64 secondsAt(const LocalTime &t);
    // The same for any moment a 64-bit count of seconds holds: the local
    // clock's reading in seconds since 1970-01-01 00:00:00, and back. Past
    // the years the C library knows, the offset of its last (or first)
    // day holds.
    qint64 localSeconds(qint64 moment);
    qint64 momentOf(qint64 civilSeconds);
    // The reading unclipped: at either end of 64 bits the offset takes it
    // past what localSeconds can hold.
    __int128 localReading(qint64 moment);

private:
    qint64 offsetOn(qint64 seconds);
    static constexpr qint64 Varies = std::numeric_limits<qint64>::min();
    std::unordered_map<qint64, qint64> m_dayOffset;
};

} // namespace qn

#pragma once

#include "platform/FileSystem.h"

#include <QtGlobal>

#include <limits>
#include <unordered_map>

namespace qn {

// Days since 1970-01-01 of a civil date, and back (proleptic Gregorian).
qint64 daysFromCivil(qint64 y, int m, int d);
LocalTime civilFromSeconds(qint64 s);

// The local clock, asked about a day's offset from UTC once: a day whose
// offset is the same at its start, its middle and its end keeps it all day
// (zones change their offset once or twice a year). Fast enough to turn a
// million times into text, or text back into times.
class LocalClock {
public:
    LocalTime at(qint64 seconds);
    // The moment the local clock showed t. In the hour a change repeats, the
    // first reading; a time the clock skipped is taken as the earlier offset
    // would have shown it.
    qint64 secondsAt(const LocalTime &t);

private:
    qint64 offsetOn(qint64 seconds);
    static constexpr qint64 Varies = std::numeric_limits<qint64>::min();
    std::unordered_map<qint64, qint64> m_dayOffset;
};

} // namespace qn

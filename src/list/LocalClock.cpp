#include "list/LocalClock.h"

#include <algorithm>

namespace qn {

namespace {

qint64 floorDiv(qint64 a, qint64 b)
{
    const qint64 q = a / b;
    return a % b != 0 && a < 0 ? q - 1 : q;
}

// The C library's years are ints: offsets are asked about moments within
// about a billion years of 1970.
constexpr qint64 AskedLimit = qint64(1) << 55;
qint64 asked(qint64 moment) { return std::clamp(moment, -AskedLimit, AskedLimit); }

qint64 saturatedAdd(qint64 a, qint64 b)
{
    qint64 sum;
    if (!__builtin_add_overflow(a, b, &sum))
        return sum;
    return b > 0 ? std::numeric_limits<qint64>::max() : std::numeric_limits<qint64>::min();
}

qint64 offsetAt(qint64 seconds)
{
    const LocalTime t = localTimeOf(seconds);
    return daysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second - seconds;
}

qint64 civilSeconds(const LocalTime &t)
{
    return daysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

} // namespace

qint64 daysFromCivil(qint64 y, int m, int d)
{
    y -= m <= 2;
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const qint64 yoe = y - era * 400;
    const qint64 doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const qint64 doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

LocalTime civilFromSeconds(qint64 s)
{
    qint64 days = floorDiv(s, 86400);
    const qint64 rest = s - days * 86400;
    days += 719468;
    const qint64 era = (days >= 0 ? days : days - 146096) / 146097;
    const qint64 doe = days - era * 146097;
    const qint64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const qint64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const qint64 mp = (5 * doy + 2) / 153;
    const int d = int(doy - (153 * mp + 2) / 5 + 1);
    const int m = int(mp < 10 ? mp + 3 : mp - 9);
    return LocalTime{int(yoe + era * 400 + (m <= 2)), m, d, int(rest / 3600), int(rest / 60 % 60), int(rest % 60)};
}

bool civilSecondsOf(const CivilTime &t, qint64 &seconds)
{
    // daysFromCivil stays within 64 bits for any year of twelve digits.
    constexpr qint64 YearLimit = 999'999'999'999;
    if (t.year > YearLimit || t.year < -YearLimit)
        return false;
    // In 128 bits: the first day of the earliest year starts before what
    // 64 bits hold, though its later seconds fit.
    const __int128 s = __int128(daysFromCivil(t.year, t.month, t.day)) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
    if (s < std::numeric_limits<qint64>::min() || s > std::numeric_limits<qint64>::max())
        return false;
    seconds = qint64(s);
    return true;
}

CivilTime civilTimeOf(qint64 s)
{
    qint64 days = floorDiv(s, 86400);
    const qint64 rest = s % 86400 < 0 ? s % 86400 + 86400 : s % 86400; // days * 86400 may not fit
    days += 719468;
    const qint64 era = (days >= 0 ? days : days - 146096) / 146097;
    const qint64 doe = days - era * 146097;
    const qint64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const qint64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const qint64 mp = (5 * doy + 2) / 153;
    const int d = int(doy - (153 * mp + 2) / 5 + 1);
    const int m = int(mp < 10 ? mp + 3 : mp - 9);
    return CivilTime{yoe + era * 400 + (m <= 2), m, d, int(rest / 3600), int(rest / 60 % 60), int(rest % 60)};
}

qint64 LocalClock::localSeconds(qint64 moment)
{
    return saturatedAdd(moment, offsetOn(asked(moment)));
}

__int128 LocalClock::localReading(qint64 moment)
{
    return __int128(moment) + offsetOn(asked(moment));
}

qint64 LocalClock::momentOf(qint64 civil)
{
    // As secondsAt: the offsets a day before and after bound the answer.
    const qint64 early = saturatedAdd(civil, -offsetOn(asked(saturatedAdd(civil, -86400))));
    const qint64 late = saturatedAdd(civil, -offsetOn(asked(saturatedAdd(civil, 86400))));
    const qint64 first = std::min(early, late), second = std::max(early, late);
    if (localSeconds(first) == civil)
        return first;
    if (localSeconds(second) == civil)
        return second;
    const qint64 guess = saturatedAdd(civil, -offsetOn(asked(civil)));
    return localSeconds(guess) == civil ? guess : first;
}

qint64 LocalClock::offsetOn(qint64 seconds)
{
    const qint64 day = floorDiv(seconds, 86400);
    auto it = m_dayOffset.find(day);
    if (it == m_dayOffset.end()) {
        const qint64 first = offsetAt(day * 86400);
        const bool steady = first == offsetAt(day * 86400 + 43200) && first == offsetAt(day * 86400 + 86399);
        it = m_dayOffset.emplace(day, steady ? first : Varies).first;
    }
    // A day with a change is asked about each time: zones have changed at
    // any second (Monrovia's -0:44:30 ended at 00:44:30 UTC).
    return it->second != Varies ? it->second : offsetAt(seconds);
}

LocalTime LocalClock::at(qint64 seconds)
{
    return civilFromSeconds(saturatedAdd(seconds, offsetOn(asked(seconds))));
}

qint64 LocalClock::secondsAt(const LocalTime &t)
{
    const qint64 civil = civilSeconds(t);
    // The offsets in force a day before and after bound the answer; of the
    // readings that show t, the earlier.
    const qint64 early = civil - offsetOn(civil - 86400);
    const qint64 late = civil - offsetOn(civil + 86400);
    const qint64 first = std::min(early, late), second = std::max(early, late);
    if (civilSeconds(at(first)) == civil)
        return first;
    if (civilSeconds(at(second)) == civil)
        return second;
    const qint64 guess = civil - offsetOn(civil);
    return civilSeconds(at(guess)) == civil ? guess : first;
}

} // namespace qn

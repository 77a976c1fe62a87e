#include "output/CsvTime.h"

#include "list/LocalClock.h"

#include <charconv>

namespace qn {

namespace {

char *twoDigits(char *p, int v)
{
    *p++ = char('0' + v / 10 % 10);
    *p++ = char('0' + v % 10);
    return p;
}

// A number of 1 to `most` digits from text at i, moving i past it.
bool digits(QByteArrayView text, qsizetype &i, int most, qint64 &value)
{
    const qsizetype start = i;
    value = 0;
    while (i < text.size() && i - start < most && text[i] >= '0' && text[i] <= '9')
        value = value * 10 + (text[i++] - '0');
    return i > start;
}

bool digits(QByteArrayView text, qsizetype &i, int most, int &value)
{
    qint64 v = 0;
    const bool ok = digits(text, i, most, v);
    value = int(v);
    return ok;
}

bool expect(QByteArrayView text, qsizetype &i, char c)
{
    if (i >= text.size() || text[i] != c)
        return false;
    ++i;
    return true;
}

bool isLeap(qint64 y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

} // namespace

qsizetype formatCsvTime(char out[CsvTimeRoom], qint64 seconds, bool withSeconds, LocalClock &clock)
{
    const CivilTime t = civilTimeOf(clock.localSeconds(seconds));
    char *p = out;
    if (t.year >= 0 && t.year <= 9999) {
        p = twoDigits(p, int(t.year / 100));
        p = twoDigits(p, int(t.year % 100));
    } else {
        if (t.year < 0)
            *p++ = '-';
        const quint64 year = t.year < 0 ? quint64(0) - quint64(t.year) : quint64(t.year);
        char digits[24];
        char *end = std::to_chars(digits, digits + sizeof digits, year).ptr;
        for (qsizetype pad = 4 - (end - digits); pad > 0; --pad)
            *p++ = '0';
        for (const char *d = digits; d < end; ++d)
            *p++ = *d;
    }
    *p++ = '-';
    p = twoDigits(p, t.month);
    *p++ = '-';
    p = twoDigits(p, t.day);
    *p++ = ' ';
    p = twoDigits(p, t.hour);
    *p++ = ':';
    p = twoDigits(p, t.minute);
    if (withSeconds) {
        *p++ = ':';
        p = twoDigits(p, t.second);
    }
    return p - out;
}

bool parseCsvTime(QByteArrayView text, LocalClock &clock, qint64 &seconds, bool &withSeconds)
{
    CivilTime t;
    qsizetype i = 0;
    const bool negative = expect(text, i, '-');
    const qsizetype yearStart = i;
    // Twelve digits reach past what 64-bit seconds hold; civilSecondsOf
    // refuses the rest.
    if (!digits(text, i, 12, t.year) || i - yearStart < 4 || i >= text.size())
        return false;
    if (negative)
        t.year = -t.year;
    const char separator = text[i];
    if (separator != '-' && separator != '/')
        return false;
    ++i;
    // As written, every field has two digits; a spreadsheet drops the
    // leading zeros of month, day and hour.
    const bool written = separator == '-';
    const auto field = [&](int &value) {
        const qsizetype start = i;
        return digits(text, i, 2, value) && (!written || i - start == 2);
    };
    if (!field(t.month) || !expect(text, i, separator) || !field(t.day) || !expect(text, i, ' ') || !field(t.hour)
        || !expect(text, i, ':'))
        return false;
    const qsizetype minuteStart = i;
    if (!digits(text, i, 2, t.minute) || i - minuteStart != 2)
        return false;
    t.second = 0;
    withSeconds = i < text.size();
    if (withSeconds) {
        const qsizetype start = i + 1;
        if (!expect(text, i, ':') || !digits(text, i, 2, t.second) || i - start != 2)
            return false;
    }
    if (i != text.size())
        return false;
    static const int days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > days[t.month - 1]
        || (t.month == 2 && t.day == 29 && !isLeap(t.year)) || t.hour > 23 || t.minute > 59 || t.second > 59)
        return false;
    qint64 civil;
    if (!civilSecondsOf(t, civil))
        return false;
    seconds = clock.momentOf(civil);
    return true;
}

} // namespace qn

#pragma once

#include <QByteArrayView>
#include <QtGlobal>

namespace qn {

class LocalClock;

// The CSV's times: local time as yyyy-MM-dd HH:mm:ss, or yyyy-MM-dd HH:mm
// for a time recorded without seconds. Years in ISO 8601 numbering: year 0
// is 1 BC, a year before it has a minus and at least four digits
// ("-0047-01-05"), a year past 9999 all its digits ("10001-01-01"), so
// every time a file system can hold is written in a form read back.
constexpr qsizetype CsvTimeRoom = 40;
qsizetype formatCsvTime(char out[CsvTimeRoom], qint64 seconds, bool withSeconds, LocalClock &clock);

// Reads that form, and those a spreadsheet writes back ("yyyy/MM/dd
// H:mm:ss", "yyyy/MM/dd H:mm"); withSeconds says whether the seconds were
// there. False for anything else, an impossible date or a time past what
// 64-bit seconds hold.
bool parseCsvTime(QByteArrayView text, LocalClock &clock, qint64 &seconds, bool &withSeconds);

} // namespace qn

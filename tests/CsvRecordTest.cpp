#include "CsvRoundTrip.h"
#include "TestFiles.h"

#include "list/Check.h"
#include "list/EntryTable.h"
#include "list/LocalClock.h"
#include "output/CsvFile.h"
#include "output/CsvReader.h"
#include "output/CsvTime.h"
#include "platform/Digest.h"

#include <QBuffer>

#include <gtest/gtest.h>

#include <random>

namespace qn {
namespace {

// The time zone for one test, the runner's again after it.
class Zone {
public:
    explicit Zone(const char *zone)
        : m_before(qgetenv("TZ"))
    {
        qputenv("TZ", zone);
        ::tzset();
    }
    ~Zone()
    {
        qputenv("TZ", m_before);
        ::tzset();
    }

private:
    QByteArray m_before;
};

void add(EntryTable &t, const QString &dir, const QString &name, qint64 size, qint64 modified)
{
    t.AppendEntry(dir, name, [&](FileStamp &s) {
        s.size = size;
        s.modified = modified;
        return true;
    });
}

// "dir|name|size|time|minute-only|digest" for each entry.
QStringList rows(const EntryTable &t)
{
    QStringList out;
    for (int i = 1; i <= t.EntryCount(); ++i) {
        const ListEntry &e = t.at(i);
        out.append(e.Directory + "|" + e.FileName + "|" + QString::number(e.Size) + "|" + QString::number(e.Modified)
                   + "|" + QString::number(e.MinuteOnly) + "|" + QString::fromLatin1(e.Sha256.toHex()));
    }
    return out;
}

EntryTable tableOf(const QByteArray &csv, CsvReadResult *outcome = nullptr)
{
    CsvReadResult r = readListCsv(csv);
    EntryTable t;
    AppendCsvList(t, r.list);
    if (outcome)
        *outcome = r;
    return t;
}

QByteArrayList timesIn(const QByteArray &csv)
{
    QByteArrayList times;
    for (const QByteArray &line : csv.split('\n').mid(1)) {
        if (!line.isEmpty())
            times.append(line.split(',').value(2));
    }
    return times;
}

const QByteArray Title = "ファイル名,バイト数,更新日時,ディレクトリ\r\n";

// Any year a file system can hold is written so that it reads back: ISO
// numbering with year 0, a minus and four digits before it, all the digits
// past 9999.
TEST(CsvTimes, EveryYearReadsBack)
{
    Zone utc("UTC");
    EntryTable t;
    const qint64 moments[] = {daysFromCivil(-47, 1, 5) * 86400 + 4 * 3600 + 26 * 60 + 40,
                              daysFromCivil(10001, 1, 1) * 86400,
                              daysFromCivil(1, 1, 1) * 86400 - 1,
                              daysFromCivil(-9999, 1, 1) * 86400,
                              daysFromCivil(100000, 1, 1) * 86400 - 1,
                              std::numeric_limits<qint64>::max(),
                              std::numeric_limits<qint64>::min()};
    for (qint64 s : moments)
        add(t, "/d/", QString::number(s), 1, s);
    const QByteArray csv = CsvFileText(t);
    const QByteArrayList times = timesIn(csv);
    EXPECT_EQ(times.value(0), "-0047-01-05 04:26:40");
    EXPECT_EQ(times.value(1), "10001-01-01 00:00:00");
    EXPECT_EQ(times.value(2), "0000-12-31 23:59:59");
    EXPECT_EQ(times.value(3), "-9999-01-01 00:00:00");
    EXPECT_EQ(times.value(4), "99999-12-31 23:59:59");
    EXPECT_EQ(times.value(5), "292277026596-12-04 15:30:07");
    CsvReadResult r;
    const EntryTable back = tableOf(csv, &r);
    ASSERT_EQ(r.status, CsvReadResult::Read) << r.line;
    EXPECT_EQ(rows(back), rows(t));

    // A day of year 0 written by hand is year 0 again, not "-0001".
    const EntryTable zero = tableOf(Title + "a,1,0000-01-17 00:00:00,/d/\r\n");
    ASSERT_EQ(zero.EntryCount(), 1);
    EXPECT_EQ(timesIn(CsvFileText(zero)), QByteArrayList{"0000-01-17 00:00:00"});
    EXPECT_EQ(rows(tableOf(CsvFileText(zero))), rows(zero));
}

// Every year from -9999 to 99999: its first and last second, and random
// seconds on random days of it, survive write and read, in UTC; every tenth
// year in a zone with summer time (where the local reading is what must
// survive: the hour a change repeats reads back as its first).
TEST(CsvTimes, WriteThenReadKeepsEverySecondFromYearMinus9999To99999)
{
    std::mt19937_64 random(20261209);
    for (const char *zone : {"UTC", "CET-1CEST,M3.5.0,M10.5.0/3"}) {
        Zone z(zone);
        LocalClock writer, reader;
        char text[CsvTimeRoom];
        qint64 checked = 0;
        const qint64 step = std::strcmp(zone, "UTC") == 0 ? 1 : 10;
        for (qint64 year = -9999; year <= 99999; year += step) {
            const qint64 first = daysFromCivil(year, 1, 1) * 86400, next = daysFromCivil(year + 1, 1, 1) * 86400;
            const qint64 samples[] = {first, next - 1, first + qint64(random() % quint64(next - first)),
                                      first + qint64(random() % quint64(next - first))};
            for (qint64 s : samples) {
                const qsizetype n = formatCsvTime(text, s, true, writer);
                qint64 back = 0;
                bool withSeconds = false;
                ASSERT_TRUE(parseCsvTime(QByteArrayView(text, n), reader, back, withSeconds))
                    << zone << " " << std::string(text, size_t(n));
                ASSERT_TRUE(withSeconds);
                ASSERT_EQ(writer.localSeconds(back), writer.localSeconds(s)) << zone << " " << std::string(text, size_t(n));
                ++checked;
            }
        }
        EXPECT_EQ(checked, 4 * ((109999 + step - 1) / step));
    }
}

// A spreadsheet's "H:mm": the entry remembers that the seconds were not
// there, matches any time of that minute, and is written back without them.
TEST(CsvTimes, TimesWithoutSecondsMatchTheirMinuteAndStayWithout)
{
    static_assert(sizeof(ListEntry) == 2 * sizeof(QString) + 2 * sizeof(qint64) + sizeof(qint64) + sizeof(QByteArray),
                  "the flag lives in the padding after the state");
    Zone utc("UTC");
    const QByteArray csv = Title + "a,1,2026/12/8 9:05,/d/\r\nb,2,2026/12/08 9:05:07,/d/\r\nc,3,2026-12-08 09:05,/d/\r\n";
    EntryTable t = tableOf(csv);
    ASSERT_EQ(t.EntryCount(), 3);
    EXPECT_TRUE(t.at(1).MinuteOnly);
    EXPECT_FALSE(t.at(2).MinuteOnly);
    EXPECT_TRUE(t.at(3).MinuteOnly);
    const QByteArray written = CsvFileText(t);
    EXPECT_EQ(timesIn(written), (QByteArrayList{"2026-12-08 09:05", "2026-12-08 09:05:07", "2026-12-08 09:05"}));
    EXPECT_EQ(rows(tableOf(written)), rows(t));

    // 09:05:00 is 1796720700. Any second of the minute is the same file;
    // the next minute, or another second for a time recorded with them, is not.
    const auto stateAt = [&](int entry, qint64 modified) {
        EntryTable one = tableOf(csv);
        Findings f;
        for (int i = 1; i <= one.EntryCount(); ++i)
            f.found.push_back(FoundFile{FoundFile::Present, FileStamp{one.at(i).Size, one.at(i).Modified}, false});
        f.found[size_t(entry - 1)].stamp.modified = modified;
        ApplyCheck(one, f);
        return one.at(entry).State;
    };
    EXPECT_EQ(stateAt(1, 1796720700 + 59), CheckState::Same);
    EXPECT_EQ(stateAt(1, 1796720700 + 37), CheckState::Same);
    EXPECT_EQ(stateAt(1, 1796720700 + 60), CheckState::Changed);
    EXPECT_EQ(stateAt(2, 1796720700 + 8), CheckState::Changed);
}

// A year an int cannot hold is compared whole: 25 * 2^32 years (a whole
// number of 400-year cycles) later shows the same month, day and time, and an
// int would wrap it onto the same year. The ends of 64 bits compare too.
TEST(CsvTimes, FarYearsAreComparedWhole)
{
    Zone utc("UTC");
    const qint64 now = daysFromCivil(2026, 12, 9) * 86400 + 12 * 3600;
    const qint64 far = daysFromCivil(2026 + 25 * (qint64(1) << 32), 12, 9) * 86400 + 12 * 3600;
    const qint64 top = std::numeric_limits<qint64>::max(), bottom = std::numeric_limits<qint64>::min();
    const auto state = [](qint64 recorded, qint64 found, bool minuteOnly) {
        EntryTable t;
        add(t, "/d/", "a", 1, recorded);
        if (minuteOnly)
            t = tableOf(CsvFileText(t).replace(":00,/d/", ",/d/"));
        EXPECT_EQ(t.at(1).MinuteOnly, minuteOnly);
        Findings f;
        f.found.push_back(FoundFile{FoundFile::Present, FileStamp{1, found}, false});
        ApplyCheck(t, f);
        return t.at(1).State;
    };
    EXPECT_EQ(state(far, now, false), CheckState::Changed);
    EXPECT_EQ(state(now, far, false), CheckState::Changed);
    EXPECT_EQ(state(top, top - 1, false), CheckState::Changed);
    EXPECT_EQ(state(bottom, bottom + 1, false), CheckState::Changed);
    EXPECT_EQ(state(top, top, false), CheckState::Same);
    EXPECT_EQ(state(now, now + 59, true), CheckState::Same);
    EXPECT_EQ(state(now, far + 59, true), CheckState::Changed);
}

// Rows that would name another file than the one in their directory, and
// a directory after one with doubled quotes, are refused by line.
TEST(CsvRows, HostileRowsAreRefusedByLine)
{
    const QByteArray good = "a,1,2026-12-08 09:05:07,/d/\r\n";
    const struct {
        QByteArray row;
    } cases[] = {
        {QByteArray("a\0b,1,2026-12-08 09:05:07,/d/\r\n", 30)},
        {"x/y,1,2026-12-08 09:05:07,/d/\r\n"},
        {"../../etc/passwd,1,2026-12-08 09:05:07,/d/\r\n"},
        {"..,1,2026-12-08 09:05:07,/d/\r\n"},
        {".,1,2026-12-08 09:05:07,/d/\r\n"},
        {"x,1,2026-12-08 09:05:07,/d/../etc/\r\n"},
        {"x,1,2026-12-08 09:05:07,/d/./e/\r\n"},
        {"x,1,2026-12-08 09:05:07,\r\n"}, // no directory at all
    };
    for (const auto &c : cases) {
        const QByteArray csv = Title + good + "\"q\",1,2026-12-08 09:05:07,\"/d/\"\"q\"\"/\"\r\n" + c.row;
        const CsvReadResult r = readListCsv(csv);
        EXPECT_EQ(r.status, CsvReadResult::BadLine) << c.row.constData();
        EXPECT_EQ(r.line, 4) << c.row.constData();
        EXPECT_TRUE(r.list.directories.empty());
    }
    // A name may hold a backslash on Linux, where it is no separator.
    EXPECT_EQ(readListCsv(Title + "a\\b,1,2026-12-08 09:05:07,/d/\r\n").status, CsvReadResult::Read);
}

// Read in pieces: a file of several pieces, with quoted fields, doubled
// quotes and CR LF falling across their edges, reads as it was written;
// Cancel stops it; past the limits it is refused.
TEST(CsvRows, ReadInPiecesWithCancelAndLimits)
{
    EntryTable t;
    for (int i = 0; i < 40000; ++i) {
        const QString dir = QStringLiteral("/data/\"dir\", %1/").arg(i / 100);
        add(t, dir, QStringLiteral("name \"%1\",\r\nx").arg(i), i, 1700000000 + i);
        t.SetDigest(t.EntryCount(), QByteArray(32, char(i)));
    }
    const QByteArray csv = CsvFileText(t);
    ASSERT_GT(csv.size(), 3 << 20);
    CsvReadResult r;
    const EntryTable back = tableOf(csv, &r);
    EXPECT_EQ(r.status, CsvReadResult::Read) << r.line;
    EXPECT_EQ(rows(back), rows(t));

    QBuffer buffer;
    buffer.setData(csv);
    buffer.open(QIODevice::ReadOnly);
    const std::atomic<bool> cancelled{true};
    EXPECT_EQ(readListCsv(buffer, cancelled).status, CsvReadResult::Cancelled);

    const std::atomic<bool> never{false};
    buffer.seek(0);
    CsvReadLimits few;
    few.rows = 39999;
    const CsvReadResult tooMany = readListCsv(buffer, never, few);
    EXPECT_EQ(tooMany.status, CsvReadResult::TooManyRows);
    EXPECT_EQ(tooMany.line, 40001);
    EXPECT_TRUE(tooMany.list.directories.empty());

    buffer.seek(0);
    CsvReadLimits shortRows;
    shortRows.longestRecord = 1000;
    QBuffer longRow;
    longRow.setData(Title + QByteArray(5000, 'n') + ",1,2026-12-08 09:05:07,/d/\r\n");
    longRow.open(QIODevice::ReadOnly);
    const CsvReadResult tooLong = readListCsv(longRow, never, shortRows);
    EXPECT_EQ(tooLong.status, CsvReadResult::BadLine);
    EXPECT_EQ(tooLong.line, 2);
}

// Rows the list cannot take because the total would pass its limit are
// reported by path, and rows it held already are counted.
TEST(CsvRows, RowsRefusedOrAlreadyListedAreReported)
{
    EntryTable t;
    add(t, "/d/", "big", std::numeric_limits<qint64>::max() - 10, 0);
    add(t, "/d/", "a", 1, 1700000000);
    CsvReadResult r = readListCsv(Title + "a,1,2023-11-14 22:13:20,/d/\r\nsmall,5,2023-11-14 22:13:20,/d/\r\n"
                                          "huge,100,2023-11-14 22:13:20,/d/\r\n");
    ASSERT_EQ(r.status, CsvReadResult::Read);
    const CsvAppendReport appended = AppendCsvList(t, r.list);
    EXPECT_EQ(appended.added, 1);
    EXPECT_EQ(appended.alreadyListed, 1);
    EXPECT_EQ(appended.refused, QStringList{"/d/huge"});
    EXPECT_EQ(t.EntryCount(), 3);
}

// Every input the fuzz target ever failed on, and its corpus, read, written
// and read again give the same list.
TEST(CsvRows, EveryInputThatEverFailedStillRoundTrips)
{
    Zone summer("CET-1CEST,M3.5.0,M10.5.0/3");
    int files = 0;
    for (const char *folder : {QUILNAVER_CSV_REGRESSIONS, QUILNAVER_CSV_CORPUS}) {
        const QDir dir(QString::fromUtf8(folder));
        for (const QString &name : dir.entryList(QDir::Files)) {
            EXPECT_TRUE(test::csvRoundTripHolds(test::readAll(dir.filePath(name)))) << name.toStdString();
            ++files;
        }
    }
    EXPECT_GE(files, 6);
}

} // namespace
} // namespace qn

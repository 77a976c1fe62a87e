#include "output/GridTitles.h"
#include "output/SizeFormat.h"

#include <gtest/gtest.h>

#include <limits>

namespace qn {
namespace {

struct SizeRow {
    const char *name;
    qint64 bytes;
    qint64 value[4];
    const char *suffix[4];
};

// The worked examples, one row per byte count, units 0 to 3.
const SizeRow SizeTable[] = {
    {"Zero", 0, {0, 0, 0, 0}, {"  B", " KB", " KB", "  B"}},
    {"B999", 999, {999, 0, 0, 999}, {"  B", " KB", " KB", "  B"}},
    {"B1023", 1023, {1023, 1, 1, 1023}, {"  B", " KB", " KB", "  B"}},
    {"B1536", 1536, {1536, 1, 1, 1536}, {"  B", " KB", " KB", "  B"}},
    {"B9999", 9999, {9999, 9, 9, 9999}, {"  B", " KB", " KB", "  B"}},
    {"B10000", 10000, {10000, 10, 10, 10}, {"  B", " KB", " KB", " KB"}},
    {"B1048576", 1048576, {1048576, 1048, 1048, 1048}, {"  B", " KB", " KB", " KB"}},
    {"B9999999", 9999999, {9999999, 9999, 9999, 9999}, {"  B", " KB", " KB", " KB"}},
    {"B10000000", 10000000, {10000000, 10000, 10, 10}, {"  B", " KB", " MB", " MB"}},
    {"B2147483647", 2147483647, {2147483647, 2147483, 2147, 2147}, {"  B", " KB", " MB", " MB"}},
    {"Minus1500", -1500, {-1500, -1, -1, -1500}, {"  B", " KB", " KB", "  B"}},
    // Past 32 bits: exact integer truncation, no double rounding.
    {"Int64Max", std::numeric_limits<qint64>::max(),
     {std::numeric_limits<qint64>::max(), 9223372036854775LL, 9223372036854LL, 9223372036854LL},
     {"  B", " KB", " MB", " MB"}},
    {"FourGiB", 4294967296LL, {4294967296LL, 4294967, 4294, 4294}, {"  B", " KB", " MB", " MB"}},
};

void PrintTo(const SizeRow &row, std::ostream *os) { *os << row.name; }

class SizeTableTest : public ::testing::TestWithParam<SizeRow> {};

TEST_P(SizeTableTest, ValueAndSuffixInEveryUnit)
{
    const SizeRow &row = GetParam();
    for (int unit = 0; unit < 4; ++unit) {
        SizeFormatter f;
        EXPECT_EQ(f.FormatSize(unit, row.bytes), row.value[unit]) << "unit " << unit;
        EXPECT_EQ(f.UnitSuffix(), QString::fromLatin1(row.suffix[unit])) << "unit " << unit;
        EXPECT_EQ(f.sizeText(unit, row.bytes), QString::number(row.value[unit]) + QLatin1String(row.suffix[unit]));
    }
}

INSTANTIATE_TEST_SUITE_P(WorkedExamples, SizeTableTest, ::testing::ValuesIn(SizeTable),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(SizeFormatter, OutOfRangeUnitGivesZeroAndKeepsThePreviousSuffix)
{
    SizeFormatter f;
    EXPECT_EQ(f.FormatSize(4, 12345), 0);
    EXPECT_EQ(f.UnitSuffix(), QString()); // nothing has set one yet
    f.FormatSize(1, 5000);
    EXPECT_EQ(f.FormatSize(4, 12345), 0);
    EXPECT_EQ(f.FormatSize(-1, 12345), 0);
    EXPECT_EQ(f.UnitSuffix(), QStringLiteral(" KB"));
    f.FormatSize(3, 20000000);
    EXPECT_EQ(f.FormatSize(7, 1), 0);
    EXPECT_EQ(f.UnitSuffix(), QStringLiteral(" MB"));
}

TEST(SizeMagnitude, Boundaries)
{
    EXPECT_EQ(SizeMagnitude(std::numeric_limits<qint64>::min()), 0);
    EXPECT_EQ(SizeMagnitude(-1), 0);
    EXPECT_EQ(SizeMagnitude(0), 0);
    EXPECT_EQ(SizeMagnitude(9999), 0);
    EXPECT_EQ(SizeMagnitude(10000), 1);
    EXPECT_EQ(SizeMagnitude(9999999), 1);
    EXPECT_EQ(SizeMagnitude(10000000), 2);
    EXPECT_EQ(SizeMagnitude(std::numeric_limits<qint64>::max()), 2);
}

TEST(GridTitles, SizeColumnNamesTheUnit)
{
    EXPECT_EQ(columnTitle(NameCol, 3), QStringLiteral("ファイル名"));
    EXPECT_EQ(columnTitle(SizeCol, 0), QStringLiteral("バイト (B)"));
    EXPECT_EQ(columnTitle(SizeCol, 1), QStringLiteral("バイト (KB)"));
    EXPECT_EQ(columnTitle(SizeCol, 2), QStringLiteral("バイト (KB,MB)"));
    EXPECT_EQ(columnTitle(SizeCol, 3), QStringLiteral("バイト (Mixed)"));
    EXPECT_EQ(columnTitle(SizeCol, 4), QStringLiteral("バイト "));
    EXPECT_EQ(columnTitle(SizeCol, -1), QStringLiteral("バイト "));
    EXPECT_EQ(columnTitle(DateCol, 0), QStringLiteral("更新日"));
    EXPECT_EQ(columnTitle(DirCol, 0), QStringLiteral("パス"));
}

} // namespace
} // namespace qn

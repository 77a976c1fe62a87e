#include "platform/FileSystem.h"
#include "SettingsRoundTrip.h"
#include "settings/SettingsFile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace qn {
namespace {

SettingsRecord example()
{
    SettingsRecord r;
    r.columnWidths[0] = 2400;
    r.lastGoodDrive = QStringLiteral("/media/data [DATA]");
    r.listDirectory = QStringLiteral("/media/data/Photos");
    r.saveDirectory = QStringLiteral("/media/data/Lists/");
    r.saveFileName = QStringLiteral("files.txt");
    r.sizeUnit = 1;
    r.settingsSaveOption = 0;
    return r;
}

const QByteArray ExampleText = " 2400 \r\n 1300 \r\n 1400 \r\n 4000 \r\n/media/data [DATA]\r\n/media/data/Photos\r\n"
                               "/media/data/Lists/\r\nfiles.txt\r\n 1 \r\n 0 \r\n";

// Paths are written as the platform writes them: with "\\" on Windows.
QByteArray native(const QByteArray &text)
{
    return nativePath(QString::fromUtf8(text)).toUtf8();
}

void expectSame(const SettingsRecord &a, const SettingsRecord &b)
{
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(a.columnWidths[i], b.columnWidths[i]) << i;
    EXPECT_EQ(a.lastGoodDrive, b.lastGoodDrive);
    EXPECT_EQ(a.listDirectory, b.listDirectory);
    EXPECT_EQ(a.saveDirectory, b.saveDirectory);
    EXPECT_EQ(a.saveFileName, b.saveFileName);
    EXPECT_EQ(a.sizeUnit, b.sizeUnit);
    EXPECT_EQ(a.settingsSaveOption, b.settingsSaveOption);
}

TEST(SettingsFile, TenLinesAsWritten)
{
    // The drive is written as the selector shows it, the directories as paths.
    EXPECT_EQ(SettingsFileText(example()), " 2400 \r\n 1300 \r\n 1400 \r\n 4000 \r\n/media/data [DATA]\r\n"
                                               + native("/media/data/Photos\r\n/media/data/Lists/\r\n")
                                               + "files.txt\r\n 1 \r\n 0 \r\n");
    SettingsRecord negative = example();
    negative.columnWidths[1] = -15;
    negative.sizeUnit = 2;
    EXPECT_TRUE(SettingsFileText(negative).startsWith(" 2400 \r\n-15 \r\n"));
    EXPECT_TRUE(SettingsFileText(negative).endsWith("\r\n 2 \r\n 0 \r\n"));
}

TEST(SettingsFile, ReadsBackWhatItWrites)
{
    const auto r = readSettings(ExampleText);
    ASSERT_TRUE(r);
    expectSame(*r, example());
}

TEST(SettingsFile, ValuesWithCommasQuotesAndBreaksSurvive)
{
    SettingsRecord r = example();
    r.listDirectory = QStringLiteral("/home/u/A,B");
    r.saveDirectory = QStringLiteral("/home/u/say \"hi\"/");
    r.saveFileName = QStringLiteral("two\r\nlines.txt");
    r.lastGoodDrive = QStringLiteral("  leading blanks");
    const QByteArray text = SettingsFileText(r);
    EXPECT_TRUE(text.contains(native("\r\n\"/home/u/A,B\"\r\n")));
    EXPECT_TRUE(text.contains(native("\r\n\"/home/u/say \"\"hi\"\"/\"\r\n")));
    const auto back = readSettings(text);
    ASSERT_TRUE(back);
    expectSame(*back, r);
}

TEST(SettingsFile, UndecodableBytesInPathsSurvive)
{
    SettingsRecord r = example();
    r.listDirectory = decodeName("/tmp/raw\xff\xfe", 10);
    const auto back = readSettings(SettingsFileText(r));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->listDirectory, r.listDirectory);
}

struct ReadCase {
    const char *name;
    QByteArray text;
    bool loads;
};

class SettingsReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(SettingsReadTest, LoadsOrFails)
{
    const ReadCase &c = GetParam();
    EXPECT_EQ(readSettings(c.text).has_value(), c.loads);
}

const QByteArray Lines9 = " 1800 \r\n 1300 \r\n 1400 \r\n 4000 \r\n/\r\n/tmp\r\n/tmp/\r\nlist.txt\r\n 3 \r\n";

const ReadCase ReadCases[] = {
    {"Example", ExampleText, true},
    {"Empty", QByteArray(), false},
    {"NineLines", Lines9, false},
    {"LfOnly", QByteArray(ExampleText).replace("\r\n", "\n"), true},
    {"CrOnly", QByteArray(ExampleText).replace("\r\n", "\r"), true},
    {"NoFinalLineEnd", ExampleText.chopped(2), true},
    {"ByteOrderMark", "\xEF\xBB\xBF" + ExampleText, true},
    {"TrailingGarbageIgnored", ExampleText + "more,fields\r\n\x01\x02", true},
    {"FieldsOnOneLine", " 1800 , 1300 , 1400 , 4000 ,/,/tmp,/tmp/,list.txt, 3 , 1 ", true},
    {"CommaShiftsFields", QByteArray(ExampleText).replace("/media/data/Photos", "/media/A,B"), false},
    {"WidthNotANumber", QByteArray(ExampleText).replace(" 2400 ", "wide"), false},
    {"WidthBeyond32Bits", QByteArray(ExampleText).replace(" 2400 ", " 4294967296 "), false},
    {"WidthNegative", QByteArray(ExampleText).replace(" 2400 ", "-2400 "), false},
    {"UnitOutOfRange", QByteArray(ExampleText).replace("\r\n 1 \r\n", "\r\n 4 \r\n"), false},
    {"UnitNegative", QByteArray(ExampleText).replace("\r\n 1 \r\n", "\r\n-1 \r\n"), false},
    {"SaveOptionOutOfRange", QByteArray(ExampleText).replace("\r\n 0 \r\n", "\r\n 2 \r\n"), false},
    {"UnclosedQuote", QByteArray(ExampleText).replace("files.txt", "\"files.txt"), false},
    {"Binary", QByteArray("\x00\xff\x13\x80,,,\n\n\x00", 11), false},
    {"EmptyFieldsCount", " 1 , 2 , 3 , 4 ,,,/,, 0 , 1 ", true},
    {"EmptySaveDirectory", " 1 , 2 , 3 , 4 ,,,,, 0 , 1 ", false},
    {"NulInListDirectory", QByteArray(ExampleText).replace("/media/data/Photos", QByteArray("/media\0/data", 12)), false},
    {"NulInFileName", QByteArray(ExampleText).replace("files.txt", QByteArray("files\0.txt", 10)), false},
    {"QuotedNul", QByteArray(ExampleText).replace("files.txt", QByteArray("\"a\0b\"", 5)), false},
    {"WidthBeyondAnyScreen", QByteArray(ExampleText).replace(" 2400 ", " 245761 "), false},
    {"WidthOfTheWidestScreen", QByteArray(ExampleText).replace(" 2400 ", " 245760 "), true},
    {"WidthAtTheIntegerLimit", QByteArray(ExampleText).replace(" 2400 ", " 2147483647 "), false},
};

INSTANTIATE_TEST_SUITE_P(Cases, SettingsReadTest, ::testing::ValuesIn(ReadCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(SettingsFile, ReadsNoFurtherThanTheTenthField)
{
    QBuffer buffer;
    buffer.setData(ExampleText + QByteArray(1000, 'x'));
    buffer.open(QIODevice::ReadOnly);
    ASSERT_TRUE(readSettings(buffer));
    EXPECT_EQ(buffer.pos(), ExampleText.size());
}

TEST(SettingsFile, HugeLineIsRefusedWithoutReadingItAll)
{
    QByteArray huge(100 * 1024 * 1024, 'a');
    QBuffer buffer(&huge);
    buffer.open(QIODevice::ReadOnly);
    EXPECT_FALSE(readSettings(buffer));
    EXPECT_LT(buffer.pos(), 1024 * 1024);
}

// Inputs that once broke the reader stay in the suite.
TEST(SettingsFile, RegressionInputs)
{
    const QDir dir(QStringLiteral(QUILNAVER_REGRESSIONS));
    for (const QString &name : dir.entryList(QDir::Files)) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
        EXPECT_TRUE(test::settingsRoundTripHolds(f.readAll())) << name.toStdString();
    }
}

} // namespace
} // namespace qn

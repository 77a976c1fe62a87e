#include "list/EntryTable.h"
#include "output/ListFile.h"

#include <gtest/gtest.h>

#include <iconv.h>

namespace qn {
namespace {

// What glibc's iconv writes for text in code page 932, as a second opinion.
QByteArray iconvCp932(const QString &text)
{
    iconv_t cd = iconv_open("CP932", "UTF-8");
    QByteArray in = text.toUtf8(), out(64, '\0');
    char *src = in.data(), *dst = out.data();
    size_t inLeft = size_t(in.size()), outLeft = size_t(out.size());
    const bool ok = cd != iconv_t(-1) && iconv(cd, &src, &inLeft, &dst, &outLeft) != size_t(-1);
    if (cd != iconv_t(-1))
        iconv_close(cd);
    return ok ? out.left(out.size() - qsizetype(outLeft)) : QByteArray("<none>");
}

// The list file's line for a single name.
QByteArray writtenName(const QString &name, ReplacedNames *replaced)
{
    EntryTable t;
    t.AppendEntry(QStringLiteral("/d/"), name, [](FileStamp &s) {
        s.size = 1;
        return true;
    });
    const QByteArray text = ListFileText(t, 0, replaced);
    const QList<QByteArray> lines = text.split('\n');
    return lines.size() > 1 ? lines[1].trimmed() : QByteArray();
}

// Only what combining marks follow is composed: characters that stand
// alone keep their own code points and so their own bytes. U+FA10 has two
// codes in the code page (0xED80 among NEC's selection of IBM's characters
// and 0xFA9C among IBM's); the code page's converters write the second, and
// both read back as U+FA10, never as 塚 U+585A (0x92CB).
TEST(ComposedNames, OnlyMarksAreComposedAndSingletonsKeepTheirBytes)
{
    const struct {
        QString name;
        QByteArray bytes;
    } cases[] = {
        {QStringLiteral("\uFA10"), QByteArray("\xFA\x9C")},                  // 塚, compatibility ideograph
        {QStringLiteral("\uFA11"), iconvCp932(QStringLiteral("\uFA11"))},    // 﨑
        {QStringLiteral("\u212B"), QByteArray("\x81\xF0")},                  // Å, the angstrom sign
        {QStringLiteral("\u30AB\u3099"), QByteArray("\x83\x4B")},            // カ + voicing mark: ガ
        {QStringLiteral("\u30CF\u309A\uFA10"), QByteArray("\x83\x70\xFA\x9C")}, // パ and 塚 together
    };
    ASSERT_EQ(iconvCp932(QStringLiteral("\uFA10")), cases[0].bytes);
    ASSERT_NE(cases[1].bytes, "<none>");
    ASSERT_NE(cases[1].bytes, "?");
    for (const auto &c : cases) {
        ReplacedNames replaced;
        const QByteArray line = writtenName(c.name, &replaced);
        EXPECT_TRUE(line.endsWith(c.bytes)) << line.toHex().constData();
        EXPECT_EQ(replaced.count, 0) << line.toHex().constData();
    }
}

} // namespace
} // namespace qn

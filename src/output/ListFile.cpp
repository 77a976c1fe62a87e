#include "output/ListFile.h"

#include "list/EntryTable.h"
#include "output/SizeFormat.h"
#include "platform/Cp932.h"

#include <algorithm>
#include <charconv>

namespace qn {

namespace {

// A line break or other control character inside a name would break the
// line structure of the file; it is written as "?" like any other character
// the file cannot carry. A name in decomposed form (as macOS writes them:
// "カ" and a combining voiced mark) is composed first, so it is written as
// the one character the code page has for it.
QString printableName(const QString &name, bool &changed)
{
    bool plain = true;
    bool composable = false; // nothing below U+0300 ever changes when composed
    for (QChar c : name) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7F || (u >= 0xDC80 && u <= 0xDCFF))
            plain = false;
        else if (u >= 0x300)
            composable = true;
    }
    if (plain)
        return composable ? name.normalized(QString::NormalizationForm_C) : name;
    changed = true;
    QString shown = displayName(name);
    for (QChar &c : shown) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char('?');
    }
    return composable ? shown.normalized(QString::NormalizationForm_C) : shown;
}

} // namespace

QByteArray ListFileText(const EntryTable &table, int unit, ReplacedNames *replaced)
{
    Cp932Encoder encoder;
    SizeFormatter formatter;

    // Lines are written straight into one buffer that grows as needed; a
    // list of 100,000 lines is one pass and no allocation per line.
    QByteArray out;
    qsizetype used = 0;
    const auto room = [&](qsizetype needed) {
        if (out.size() - used < needed)
            out.resize(std::max(out.size() * 2, used + needed));
        return out.data() + used;
    };
    out.resize(64 + qsizetype(table.EntryCount()) * 48);

    const QString title = QStringLiteral("       バイト数    ファイル名");
    char *p = encoder.write(room(Cp932Encoder::maxEncodedSize(title.size()) + 2), title);
    *p++ = '\r';
    *p++ = '\n';
    used = p - out.data();

    for (int i = 1; i <= table.EntryCount(); ++i) {
        const ListEntry &e = table.at(i);
        bool changed = false;
        const QString name = printableName(e.FileName, changed);
        p = room(48 + Cp932Encoder::maxEncodedSize(name.size()));

        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, formatter.FormatSize(unit, e.Size)).ptr;
        // " * ", the number right-aligned in nine characters (a longer one
        // keeps all its digits), the suffix, four blanks and the name.
        *p++ = ' ';
        *p++ = '*';
        *p++ = ' ';
        for (qsizetype pad = 9 - (end - digits); pad > 0; --pad)
            *p++ = ' ';
        p = std::copy(digits, end, p);
        for (QChar c : formatter.UnitSuffix())
            *p++ = char(c.unicode());
        p = std::fill_n(p, 4, ' ');
        p = encoder.write(p, name, &changed);
        if (changed && replaced)
            replaced->add(displayName(e.FileName), replaced->keepsNext() ? encoder.asWritten(name) : QString());
        *p++ = '\r';
        *p++ = '\n';
        used = p - out.data();
    }
    out.resize(used);
    return out;
}

} // namespace qn

#include "output/ListFile.h"

#include "list/EntryTable.h"
#include "output/SizeFormat.h"
#include "platform/Cp932.h"

#include <algorithm>
#include <charconv>

namespace qn {

namespace {

char32_t codePointAt(const QString &text, qsizetype i, qsizetype &next)
{
    const char16_t c = text[i].unicode();
    if (QChar::isHighSurrogate(c) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode())) {
        next = i + 2;
        return QChar::surrogateToUcs4(c, text[i + 1].unicode());
    }
    next = i + 1;
    return c;
}

// What composes with the character before it: combining marks (kana voicing
// marks, Latin accents) and the vowels and finals of Hangul.
bool composesWithPrevious(char32_t c)
{
    return QChar::combiningClass(c) > 0 || (c >= 0x1161 && c <= 0x11C2);
}

// Composes each character with the marks that follow it ("カ" and U+3099
// become "ガ") and nothing else. NFC would also put the canonical equivalent
// for characters that stand alone (U+FA10 塚 becomes U+585A, U+212B Å
// becomes U+00C5), which the code page writes as another character, or
// cannot write at all.
QString composeMarks(const QString &name)
{
    QString out;
    out.reserve(name.size());
    for (qsizetype i = 0; i < name.size();) {
        qsizetype end = i;
        codePointAt(name, i, end);
        const qsizetype firstEnd = end;
        for (qsizetype next = end; end < name.size() && composesWithPrevious(codePointAt(name, end, next));)
            end = next;
        const QStringView run = QStringView(name).sliced(i, end - i);
        if (end > firstEnd)
            out += run.toString().normalized(QString::NormalizationForm_C);
        else
            out += run;
        i = end;
    }
    return out;
}

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
        return composable ? composeMarks(name) : name;
    changed = true;
    QString shown = displayName(name);
    for (QChar &c : shown) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char('?');
    }
    return composable ? composeMarks(shown) : shown;
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
        // Borrows the table's text for this line only; what is kept beyond
        // it (the replaced names) is copied.
        const QStringView fileName = table.fileName(i);
        bool changed = false;
        const QString name = printableName(QString::fromRawData(fileName.data(), fileName.size()), changed);
        p = room(48 + Cp932Encoder::maxEncodedSize(name.size()));

        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, formatter.FormatSize(unit, table.size(i))).ptr;
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
            replaced->add(displayName(fileName.toString()),
                          replaced->keepsNext() ? encoder.asWritten(QString(name.constData(), name.size())) : QString());
        *p++ = '\r';
        *p++ = '\n';
        used = p - out.data();
    }
    out.resize(used);
    return out;
}

} // namespace qn

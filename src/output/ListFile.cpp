#include "output/ListFile.h"

#include "list/EntryTable.h"
#include "output/SizeFormat.h"
#include "platform/Cp932.h"

namespace qn {

namespace {

const char *const Crlf = "\r\n";

// A line break or other control character inside a name would break the
// line structure of the file; it is written as "?" like any other character
// the file cannot carry.
QString printableName(const QString &name)
{
    bool plain = true;
    for (QChar c : name) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7F || (u >= 0xDC80 && u <= 0xDCFF)) {
            plain = false;
            break;
        }
    }
    if (plain)
        return name;
    QString shown = displayName(name);
    for (QChar &c : shown) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char('?');
    }
    return shown;
}

} // namespace

QByteArray ListFileText(const EntryTable &table, int unit)
{
    Cp932Encoder encoder;
    SizeFormatter formatter;
    QByteArray out;
    out.reserve(64 + qsizetype(table.EntryCount()) * 40);

    encoder.append(out, QStringLiteral("       バイト数    ファイル名"));
    out.append(Crlf);

    for (int i = 1; i <= table.EntryCount(); ++i) {
        const ListEntry &e = table.at(i);
        const QByteArray number = QByteArray::number(formatter.FormatSize(unit, e.Size));
        out.append(" * ");
        // Right-aligned in nine characters; a longer number keeps all its digits.
        if (number.size() < 9)
            out.append(9 - number.size(), ' ');
        out.append(number);
        for (QChar c : formatter.UnitSuffix())
            out.append(char(c.unicode()));
        out.append("    ");
        encoder.append(out, printableName(e.FileName));
        out.append(Crlf);
    }
    return out;
}

} // namespace qn

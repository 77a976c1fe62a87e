#include "platform/Cp932.h"

namespace qn {

void Cp932Encoder::append(QByteArray &out, QStringView text)
{
    const qsizetype start = out.size();
    out.resize(start + maxEncodedSize(text.size()));
    char *end = write(out.data() + start, text);
    out.resize(end - out.data());
}

QString Cp932Encoder::asWritten(QStringView text)
{
    QString out;
    char room[maxEncodedSize(2)];
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 1;
        const QStringView character = text.mid(i, length);
        bool replaced = false;
        write(room, character, &replaced);
        if (replaced)
            out += QLatin1Char('?');
        else
            out += character;
        i += length;
    }
    return out;
}

QByteArray toCp932(QStringView text)
{
    QByteArray out;
    Cp932Encoder encoder;
    encoder.append(out, text);
    return out;
}

} // namespace qn

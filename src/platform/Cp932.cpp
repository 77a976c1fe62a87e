#include "platform/Cp932.h"

namespace qn {

void Cp932Encoder::append(QByteArray &out, QStringView text)
{
    const qsizetype start = out.size();
    out.resize(start + maxEncodedSize(text.size()));
    char *end = write(out.data() + start, text);
    out.resize(end - out.data());
}

QByteArray toCp932(QStringView text)
{
    QByteArray out;
    Cp932Encoder encoder;
    encoder.append(out, text);
    return out;
}

} // namespace qn

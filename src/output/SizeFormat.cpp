#include "output/SizeFormat.h"

namespace qn {

namespace {

const QString &suffixBytes()
{
    static const QString s = QStringLiteral("  B");
    return s;
}
const QString &suffixKilo()
{
    static const QString s = QStringLiteral(" KB");
    return s;
}
const QString &suffixMega()
{
    static const QString s = QStringLiteral(" MB");
    return s;
}

} // namespace

SizeFormatter::SizeFormatter()
{
    static const QString none;
    m_unitSuffix = &none;
}

int SizeMagnitude(qint64 bytes)
{
    if (bytes < 10000)
        return 0;
    if (bytes < 10000000)
        return 1;
    return 2;
}

qint64 SizeFormatter::FormatSize(int unit, qint64 bytes)
{
    // Integer division truncates toward zero, as the unit rules want, and
    // stays exact for counts beyond what a double holds.
    switch (unit) {
    case UnitBytes:
        m_unitSuffix = &suffixBytes();
        return bytes;
    case UnitKilo:
        m_unitSuffix = &suffixKilo();
        return bytes / 1000;
    case UnitKiloMega:
        if (SizeMagnitude(bytes) == 2) {
            m_unitSuffix = &suffixMega();
            return bytes / 1000000;
        }
        m_unitSuffix = &suffixKilo();
        return bytes / 1000;
    case UnitMixed:
        switch (SizeMagnitude(bytes)) {
        case 0:
            m_unitSuffix = &suffixBytes();
            return bytes;
        case 1:
            m_unitSuffix = &suffixKilo();
            return bytes / 1000;
        default:
            m_unitSuffix = &suffixMega();
            return bytes / 1000000;
        }
    default:
        return 0;
    }
}

QString SizeFormatter::sizeText(int unit, qint64 bytes)
{
    const qint64 value = FormatSize(unit, bytes);
    return QString::number(value) + *m_unitSuffix;
}

} // namespace qn

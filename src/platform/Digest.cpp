#include "platform/Digest.h"

namespace qn {

QByteArray digestHex(const QByteArray &digest)
{
    return digest.toHex();
}

QByteArray digestFromHex(QByteArrayView hex)
{
    if (hex.size() != 64)
        return QByteArray();
    for (char c : hex) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')))
            return QByteArray();
    }
    return QByteArray::fromHex(hex.toByteArray());
}

} // namespace qn

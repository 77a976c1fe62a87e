#include "platform/Utf8.h"

#include <QtGlobal>

#include <cstring>

namespace qn {

bool isUtf8(QByteArrayView bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const auto *end = p + bytes.size();
    while (p < end) {
        // Plain ASCII, as most of a list is, eight bytes at a time.
        if (end - p >= 8) {
            quint64 word;
            std::memcpy(&word, p, 8);
            if ((word & 0x8080808080808080ULL) == 0) {
                p += 8;
                continue;
            }
        }
        char32_t cp;
        const int n = utf8Sequence(p, end, cp);
        if (n == 0)
            return false;
        p += n;
    }
    return true;
}

} // namespace qn

#pragma once

#include <QByteArrayView>

namespace qn {

// The one reading of UTF-8 the program holds bytes to: the length (1 to 4) of
// the well-formed sequence that starts at p, its code point in codePoint; 0
// where none starts there (a stray or continuation byte, a sequence cut
// short by end or by a byte that does not continue it, an overlong form, a
// surrogate, anything above U+10FFFF).
inline int utf8Sequence(const unsigned char *p, const unsigned char *end, char32_t &codePoint)
{
    const unsigned char c = p[0];
    if (c < 0x80) {
        codePoint = c;
        return 1;
    }
    int n;
    char32_t least;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2, least = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3, least = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4, least = 0x10000;
    } else {
        return 0;
    }
    if (end - p < n)
        return 0;
    char32_t cp = c & (0x7F >> n);
    for (int i = 1; i < n; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    codePoint = cp;
    return n;
}

// Whether bytes are well-formed UTF-8 throughout, by utf8Sequence.
bool isUtf8(QByteArrayView bytes);

} // namespace qn

#include "platform/Cp932.h"

#include <algorithm>
#include <windows.h>

namespace qn {

struct Cp932Encoder::Impl {};

Cp932Encoder::Cp932Encoder() : m_impl(std::make_unique<Impl>()) {}
Cp932Encoder::~Cp932Encoder() = default;

char *Cp932Encoder::write(char *dst, QStringView text, bool *replaced)
{
    if (text.isEmpty())
        return dst;
    // A character beyond the basic plane takes two UTF-16 units, which the
    // system's conversion would make two "?"; it is one character, one "?",
    // as on every platform. The code page holds none of them.
    QString basic;
    if (std::any_of(text.begin(), text.end(), [](QChar c) { return c.isSurrogate(); })) {
        basic.reserve(text.size());
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (!text[i].isSurrogate()) {
                basic += text[i];
                continue;
            }
            if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
                ++i;
            basic += QLatin1Char('?');
            if (replaced)
                *replaced = true;
        }
        text = basic;
    }
    const auto *wide = reinterpret_cast<const wchar_t *>(text.utf16());
    const int length = int(text.size());
    BOOL usedDefault = FALSE;
    const int written = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide, length, dst,
                                            int(maxEncodedSize(text.size())), "?", &usedDefault);
    if (replaced && usedDefault)
        *replaced = true;
    return dst + written;
}

bool fromCp932(QByteArrayView bytes, QString &text)
{
    if (bytes.isEmpty()) {
        text.clear();
        return true;
    }
    const int length = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(), int(bytes.size()), nullptr, 0);
    if (length <= 0)
        return false;
    text.resize(length);
    return MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(), int(bytes.size()),
                               reinterpret_cast<wchar_t *>(text.data()), length)
           == length;
}

} // namespace qn

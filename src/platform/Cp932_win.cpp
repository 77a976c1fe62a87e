#include "platform/Cp932.h"

#include <windows.h>

namespace qn {

struct Cp932Encoder::Impl {};

Cp932Encoder::Cp932Encoder() : m_impl(std::make_unique<Impl>()) {}
Cp932Encoder::~Cp932Encoder() = default;

char *Cp932Encoder::write(char *dst, QStringView text, bool *replaced)
{
    if (text.isEmpty())
        return dst;
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

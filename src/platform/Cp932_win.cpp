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

} // namespace qn

#include "platform/Cp932.h"

#include <windows.h>

namespace qn {

struct Cp932Encoder::Impl {};

Cp932Encoder::Cp932Encoder() : m_impl(std::make_unique<Impl>()) {}
Cp932Encoder::~Cp932Encoder() = default;

void Cp932Encoder::append(QByteArray &out, QStringView text)
{
    const qsizetype start = out.size();
    out.resize(start + maxEncodedSize(text.size()));
    char *end = write(out.data() + start, text);
    out.resize(end - out.data());
}

char *Cp932Encoder::write(char *dst, QStringView text)
{
    if (text.isEmpty())
        return dst;
    const auto *wide = reinterpret_cast<const wchar_t *>(text.utf16());
    const int length = int(text.size());
    const int written = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide, length, dst,
                                            int(maxEncodedSize(text.size())), "?", nullptr);
    return dst + written;
}

QByteArray toCp932(QStringView text)
{
    QByteArray out;
    Cp932Encoder encoder;
    encoder.append(out, text);
    return out;
}

} // namespace qn

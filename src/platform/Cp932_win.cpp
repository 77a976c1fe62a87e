#include "platform/Cp932.h"

#include <windows.h>

namespace qn {

struct Cp932Encoder::Impl {};

Cp932Encoder::Cp932Encoder() : m_impl(std::make_unique<Impl>()) {}
Cp932Encoder::~Cp932Encoder() = default;

void Cp932Encoder::append(QByteArray &out, QStringView text)
{
    if (text.isEmpty())
        return;
    const auto *wide = reinterpret_cast<const wchar_t *>(text.utf16());
    const int length = int(text.size());
    const int needed = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide, length, nullptr, 0, "?", nullptr);
    const qsizetype start = out.size();
    out.resize(start + needed);
    WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide, length, out.data() + start, needed, "?", nullptr);
}

QByteArray toCp932(QStringView text)
{
    QByteArray out;
    Cp932Encoder encoder;
    encoder.append(out, text);
    return out;
}

} // namespace qn

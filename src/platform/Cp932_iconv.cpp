#include "platform/Cp932.h"

#include <QString>

#include <cerrno>
#include <iconv.h>

namespace qn {

struct Cp932Encoder::Impl {
    iconv_t cd = reinterpret_cast<iconv_t>(-1);
};

Cp932Encoder::Cp932Encoder()
    : m_impl(std::make_unique<Impl>())
{
    m_impl->cd = iconv_open("CP932", "UTF-8");
}

Cp932Encoder::~Cp932Encoder()
{
    if (m_impl->cd != reinterpret_cast<iconv_t>(-1))
        iconv_close(m_impl->cd);
}

namespace {

qsizetype utf8SequenceLength(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if ((lead & 0xE0) == 0xC0)
        return 2;
    if ((lead & 0xF0) == 0xE0)
        return 3;
    if ((lead & 0xF8) == 0xF0)
        return 4;
    return 1;
}

} // namespace

void Cp932Encoder::append(QByteArray &out, QStringView text)
{
    // Plain ASCII is the same in code page 932; most names are.
    qsizetype i = 0;
    while (i < text.size() && text[i].unicode() < 0x80)
        ++i;
    if (i == text.size()) {
        out.append(text.toLatin1());
        return;
    }

    QByteArray utf8 = text.toUtf8();
    if (m_impl->cd == reinterpret_cast<iconv_t>(-1)) {
        // No converter: keep what is ASCII and mark the rest.
        for (qsizetype k = 0; k < utf8.size();) {
            const auto c = static_cast<unsigned char>(utf8[k]);
            out.append(c < 0x80 ? char(c) : '?');
            k += utf8SequenceLength(c);
        }
        return;
    }

    iconv(m_impl->cd, nullptr, nullptr, nullptr, nullptr);
    char *in = utf8.data();
    size_t inLeft = size_t(utf8.size());
    const qsizetype start = out.size();
    out.resize(start + utf8.size() * 2 + 4);
    char *dst = out.data() + start;
    size_t outLeft = size_t(utf8.size()) * 2 + 4;
    while (inLeft > 0) {
        const size_t r = iconv(m_impl->cd, &in, &inLeft, &dst, &outLeft);
        if (r != size_t(-1))
            break;
        if (errno == EILSEQ || errno == EINVAL) {
            // One character the code page cannot hold: one "?".
            const qsizetype skip = std::min<qsizetype>(utf8SequenceLength(static_cast<unsigned char>(*in)), qsizetype(inLeft));
            in += skip;
            inLeft -= size_t(skip);
            if (outLeft == 0)
                break;
            *dst++ = '?';
            --outLeft;
        } else {
            break; // E2BIG cannot happen: two bytes per UTF-8 byte is always enough.
        }
    }
    out.resize(dst - out.data());
}

QByteArray toCp932(QStringView text)
{
    QByteArray out;
    Cp932Encoder encoder;
    encoder.append(out, text);
    return out;
}

} // namespace qn

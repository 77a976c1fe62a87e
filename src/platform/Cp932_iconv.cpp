#include "platform/Cp932.h"

#include <QString>
#include <QStringEncoder>

#include <vector>

#include <cerrno>
#include <iconv.h>

namespace qn {

struct Cp932Encoder::Impl {
    iconv_t cd = reinterpret_cast<iconv_t>(-1);
    QStringEncoder toUtf8{QStringConverter::Utf8, QStringConverter::Flag::Stateless};
    std::vector<char> utf8; // reused between calls
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

// Code page 932 never needs more bytes for a character than UTF-8 does, and
// UTF-8 needs at most three bytes per UTF-16 unit: 3n bytes are always enough.
char *Cp932Encoder::write(char *dst, QStringView text, bool *replaced)
{
    // Plain ASCII is the same in code page 932, and most names are: copy it
    // straight through while checking.
    const qsizetype n = text.size();
    const char16_t *src = text.utf16();
    qsizetype i = 0;
    for (; i < n && src[i] < 0x80; ++i)
        dst[i] = char(src[i]);
    if (i == n)
        return dst + n;

    Impl &d = *m_impl;
    d.utf8.resize(size_t(d.toUtf8.requiredSpace(n)));
    char *utf8End = d.toUtf8.appendToBuffer(d.utf8.data(), text);
    char *in = d.utf8.data();
    size_t inLeft = size_t(utf8End - in);

    if (d.cd == reinterpret_cast<iconv_t>(-1)) {
        // No converter: keep what is ASCII and mark the rest.
        if (replaced)
            *replaced = true;
        while (inLeft > 0) {
            const auto c = static_cast<unsigned char>(*in);
            *dst++ = c < 0x80 ? char(c) : '?';
            const size_t skip = std::min<size_t>(size_t(utf8SequenceLength(c)), inLeft);
            in += skip;
            inLeft -= skip;
        }
        return dst;
    }

    iconv(d.cd, nullptr, nullptr, nullptr, nullptr);
    size_t outLeft = inLeft;
    while (inLeft > 0) {
        const size_t r = iconv(d.cd, &in, &inLeft, &dst, &outLeft);
        if (r != size_t(-1))
            break;
        if (errno != EILSEQ && errno != EINVAL)
            break;
        // One character the code page cannot hold: one "?".
        if (replaced)
            *replaced = true;
        const size_t skip = std::min<size_t>(size_t(utf8SequenceLength(static_cast<unsigned char>(*in))), inLeft);
        in += skip;
        inLeft -= skip;
        if (outLeft == 0)
            break;
        *dst++ = '?';
        --outLeft;
    }
    return dst;
}

bool fromCp932(QByteArrayView bytes, QString &text)
{
    iconv_t cd = iconv_open("UTF-16LE", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    // Each byte becomes at most one UTF-16 unit.
    std::vector<char16_t> out(size_t(bytes.size()) + 1);
    char *in = const_cast<char *>(bytes.data());
    size_t inLeft = size_t(bytes.size());
    char *dst = reinterpret_cast<char *>(out.data());
    size_t outLeft = out.size() * sizeof(char16_t);
    const bool ok = iconv(cd, &in, &inLeft, &dst, &outLeft) != size_t(-1) && inLeft == 0;
    iconv_close(cd);
    if (ok)
        text = QString::fromUtf16(out.data(), qsizetype((dst - reinterpret_cast<char *>(out.data())) / 2));
    return ok;
}

} // namespace qn

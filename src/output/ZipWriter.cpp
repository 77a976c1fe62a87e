#include "output/ZipWriter.h"

#include <QDateTime>

#include <zlib.h>

#include <limits>

namespace qn {

namespace {

// Fast deflate: the sheets are long and very regular, so the fastest level
// loses little size and most of the time.
constexpr int Level = 1;
constexpr qsizetype BlockSize = 1 << 18;
constexpr quint64 Small = 0xffffffffu;

void le16(QByteArray &b, quint32 v)
{
    b.append(char(v & 0xff));
    b.append(char((v >> 8) & 0xff));
}
void le32(QByteArray &b, quint32 v)
{
    le16(b, v & 0xffff);
    le16(b, v >> 16);
}
void le64(QByteArray &b, quint64 v)
{
    le32(b, quint32(v & 0xffffffffu));
    le32(b, quint32(v >> 32));
}

} // namespace

struct ZipWriter::Stream {
    z_stream z{};
    bool ready = false;
    QByteArray out = QByteArray(BlockSize, Qt::Uninitialized);
};

ZipWriter::ZipWriter(QIODevice *out) : m_out(out), m_stream(new Stream)
{
    m_buffer.reserve(BlockSize);
    const QDateTime now = QDateTime::currentDateTime();
    const QDate d = now.date();
    const QTime t = now.time();
    if (d.year() >= 1980 && d.year() <= 2107) {
        m_dosDate = quint16((d.year() - 1980) << 9 | d.month() << 5 | d.day());
        m_dosTime = quint16(t.hour() << 11 | t.minute() << 5 | t.second() / 2);
    } else {
        m_dosDate = 1 << 5 | 1; // 1980-01-01
    }
}

ZipWriter::~ZipWriter()
{
    if (m_stream->ready)
        deflateEnd(&m_stream->z);
    delete m_stream;
}

void ZipWriter::drain()
{
    const char *data = m_buffer.constData();
    qint64 left = m_buffer.size();
    while (m_ok && left > 0) {
        const qint64 written = m_out->write(data, left);
        if (written <= 0)
            m_ok = false;
        else {
            data += written;
            left -= written;
        }
    }
    m_buffer.resize(0);
}

void ZipWriter::put(const char *data, qsizetype size)
{
    m_offset += quint64(size);
    if (m_buffer.size() + size > BlockSize)
        drain();
    if (size >= BlockSize) {
        m_buffer = QByteArray::fromRawData(data, size);
        drain();
        m_buffer = QByteArray();
        m_buffer.reserve(BlockSize);
        return;
    }
    m_buffer.append(data, size);
}

void ZipWriter::begin(const QByteArray &name, bool large)
{
    if (!m_ok)
        return;
    if (!m_stream->ready) {
        m_ok = deflateInit2(&m_stream->z, Level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK;
        m_stream->ready = m_ok;
    } else {
        m_ok = deflateReset(&m_stream->z) == Z_OK;
    }
    if (!m_ok)
        return;
    m_entry = Entry{name, quint32(crc32(0, nullptr, 0)), 0, 0, m_offset, large};
    m_open = true;
    QByteArray h;
    le32(h, 0x04034b50);
    le16(h, large ? 45 : 20);
    le16(h, 0x0808); // sizes in the data descriptor, names in UTF-8
    le16(h, 8);      // deflate
    le16(h, m_dosTime);
    le16(h, m_dosDate);
    le32(h, 0);
    le32(h, large ? 0xffffffffu : 0);
    le32(h, large ? 0xffffffffu : 0);
    le16(h, quint32(name.size()));
    le16(h, large ? 20 : 0);
    h.append(name);
    if (large) {
        le16(h, 1);
        le16(h, 16);
        le64(h, 0);
        le64(h, 0);
    }
    put(h);
}

void ZipWriter::deflateSome(int flush)
{
    z_stream &z = m_stream->z;
    for (;;) {
        z.next_out = reinterpret_cast<Bytef *>(m_stream->out.data());
        z.avail_out = uInt(m_stream->out.size());
        const int status = deflate(&z, flush);
        if (status == Z_STREAM_ERROR) {
            m_ok = false;
            return;
        }
        const qsizetype produced = m_stream->out.size() - qsizetype(z.avail_out);
        m_entry.compressed += quint64(produced);
        put(m_stream->out.constData(), produced);
        if (!m_ok)
            return;
        if (flush == Z_FINISH ? status == Z_STREAM_END : (z.avail_in == 0 && z.avail_out != 0))
            return;
    }
}

void ZipWriter::write(const char *data, qsizetype size)
{
    if (!m_ok || !m_open)
        return;
    while (size > 0 && m_ok) {
        const uInt piece = uInt(std::min<qsizetype>(size, 1 << 30));
        m_entry.crc = quint32(crc32(m_entry.crc, reinterpret_cast<const Bytef *>(data), piece));
        m_entry.size += piece;
        m_stream->z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data));
        m_stream->z.avail_in = piece;
        deflateSome(Z_NO_FLUSH);
        data += piece;
        size -= piece;
    }
}

void ZipWriter::end()
{
    if (!m_ok || !m_open)
        return;
    m_stream->z.next_in = nullptr;
    m_stream->z.avail_in = 0;
    deflateSome(Z_FINISH);
    m_open = false;
    if (!m_ok)
        return;
    // An entry that was not expected to be large and became so cannot be
    // described by its 32-bit data descriptor.
    if (!m_entry.large && (m_entry.size >= Small || m_entry.compressed >= Small)) {
        m_ok = false;
        return;
    }
    QByteArray d;
    le32(d, 0x08074b50);
    le32(d, m_entry.crc);
    if (m_entry.large) {
        le64(d, m_entry.compressed);
        le64(d, m_entry.size);
    } else {
        le32(d, quint32(m_entry.compressed));
        le32(d, quint32(m_entry.size));
    }
    put(d);
    m_entries.push_back(m_entry);
}

void ZipWriter::finish()
{
    if (!m_ok)
        return;
    const quint64 start = m_offset;
    for (const Entry &e : m_entries) {
        const bool bigSizes = e.large || e.size >= Small || e.compressed >= Small;
        const bool bigOffset = e.offset >= Small;
        QByteArray extra;
        if (bigSizes || bigOffset) {
            le16(extra, 1);
            le16(extra, (bigSizes ? 16 : 0) + (bigOffset ? 8 : 0));
            if (bigSizes) {
                le64(extra, e.size);
                le64(extra, e.compressed);
            }
            if (bigOffset)
                le64(extra, e.offset);
        }
        QByteArray h;
        le32(h, 0x02014b50);
        le16(h, extra.isEmpty() ? 20 : 45);
        le16(h, extra.isEmpty() ? 20 : 45);
        le16(h, 0x0808);
        le16(h, 8);
        le16(h, m_dosTime);
        le16(h, m_dosDate);
        le32(h, e.crc);
        le32(h, bigSizes ? 0xffffffffu : quint32(e.compressed));
        le32(h, bigSizes ? 0xffffffffu : quint32(e.size));
        le16(h, quint32(e.name.size()));
        le16(h, quint32(extra.size()));
        le16(h, 0); // comment
        le16(h, 0); // disk
        le16(h, 0); // internal attributes
        le32(h, 0); // external attributes
        le32(h, bigOffset ? 0xffffffffu : quint32(e.offset));
        h.append(e.name);
        h.append(extra);
        put(h);
    }
    const quint64 size = m_offset - start;
    const quint64 count = m_entries.size();
    QByteArray tail;
    const bool big = start >= Small || size >= Small || count >= 0xffff;
    if (big) {
        const quint64 record = m_offset;
        le32(tail, 0x06064b50);
        le64(tail, 44);
        le16(tail, 45);
        le16(tail, 45);
        le32(tail, 0);
        le32(tail, 0);
        le64(tail, count);
        le64(tail, count);
        le64(tail, size);
        le64(tail, start);
        le32(tail, 0x07064b50);
        le32(tail, 0);
        le64(tail, record);
        le32(tail, 1);
    }
    le32(tail, 0x06054b50);
    le16(tail, 0);
    le16(tail, 0);
    le16(tail, big ? 0xffff : quint32(count));
    le16(tail, big ? 0xffff : quint32(count));
    le32(tail, big ? 0xffffffffu : quint32(size));
    le32(tail, big ? 0xffffffffu : quint32(start));
    le16(tail, 0);
    put(tail);
    drain();
}

} // namespace qn

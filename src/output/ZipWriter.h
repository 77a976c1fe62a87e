#pragma once

#include <QByteArray>
#include <QIODevice>

#include <vector>

namespace qn {

// A ZIP archive written front to back onto a device, one deflated entry at a
// time (a data descriptor after each, so nothing is held or sought back to).
// Every write to the device is checked: the first one refused ends the
// archive, and ok() says so. Entries and offsets past 4 GiB use zip64.
class ZipWriter {
public:
    explicit ZipWriter(QIODevice *out);
    ~ZipWriter();
    ZipWriter(const ZipWriter &) = delete;
    ZipWriter &operator=(const ZipWriter &) = delete;

    // Starts an entry; large when its data might pass 4 GiB, so its local
    // header and data descriptor take 64-bit sizes.
    void begin(const QByteArray &name, bool large = false);
    void write(const char *data, qsizetype size);
    void write(const QByteArray &bytes) { write(bytes.constData(), bytes.size()); }
    void end();
    void add(const QByteArray &name, const QByteArray &bytes)
    {
        begin(name);
        write(bytes);
        end();
    }
    // The central directory; after it the device holds the whole archive.
    void finish();
    bool ok() const { return m_ok; }

private:
    struct Entry {
        QByteArray name;
        quint32 crc = 0;
        quint64 compressed = 0;
        quint64 size = 0;
        quint64 offset = 0;
        bool large = false;
    };
    void deflateSome(int flush);
    void put(const char *data, qsizetype size);
    void put(const QByteArray &bytes) { put(bytes.constData(), bytes.size()); }
    void drain();

    QIODevice *m_out;
    bool m_ok = true;
    bool m_open = false;
    struct Stream;
    Stream *m_stream;
    QByteArray m_buffer; // bytes for the device, written a block at a time
    quint64 m_offset = 0;
    Entry m_entry;
    std::vector<Entry> m_entries;
    quint16 m_dosTime = 0;
    quint16 m_dosDate = 0;
};

} // namespace qn

#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <vector>

namespace qn {

// SHA-256, from the system's library made for it (OpenSSL's libcrypto,
// which uses the processor's SHA instructions; Windows' CNG).
class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256 &) = delete;
    Sha256 &operator=(const Sha256 &) = delete;

    void update(const char *data, qsizetype length);
    // The 32 bytes of the digest; the hasher starts afresh after it.
    QByteArray finish();

    struct Impl;

private:
    Impl *m_impl;
};

// The SHA-256 of a file's content, read sequentially in the buffer's size
// (one fixed buffer however large the file). False, with no digest, when it
// cannot be read whole, is no regular file (a FIFO or a device is never
// waited on), or cancel becomes true on the way; bytesDone grows as it
// reads. A path of any length is read.
bool sha256OfFile(const QString &path, QByteArray &digest, std::vector<char> &buffer, const std::atomic<bool> &cancel,
                  std::atomic<qint64> *bytesDone = nullptr);

// 64 lowercase hexadecimal digits, and back (empty when it is not that).
QByteArray digestHex(const QByteArray &digest);
QByteArray digestFromHex(QByteArrayView hex);

} // namespace qn

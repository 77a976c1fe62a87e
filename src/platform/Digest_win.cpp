#include "platform/Digest.h"

#include <QFile>

#include <windows.h>
#include <bcrypt.h>

namespace qn {

struct Sha256::Impl {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
};

Sha256::Sha256()
    : m_impl(new Impl)
{
    BCryptOpenAlgorithmProvider(&m_impl->algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0);
    BCryptCreateHash(m_impl->algorithm, &m_impl->hash, nullptr, 0, nullptr, 0, 0);
}

Sha256::~Sha256()
{
    if (m_impl->hash)
        BCryptDestroyHash(m_impl->hash);
    if (m_impl->algorithm)
        BCryptCloseAlgorithmProvider(m_impl->algorithm, 0);
    delete m_impl;
}

void Sha256::update(const char *data, qsizetype length)
{
    BCryptHashData(m_impl->hash, reinterpret_cast<PUCHAR>(const_cast<char *>(data)), ULONG(length), 0);
}

QByteArray Sha256::finish()
{
    QByteArray digest(32, '\0');
    BCryptFinishHash(m_impl->hash, reinterpret_cast<PUCHAR>(digest.data()), 32, 0);
    BCryptDestroyHash(m_impl->hash);
    m_impl->hash = nullptr;
    BCryptCreateHash(m_impl->algorithm, &m_impl->hash, nullptr, 0, nullptr, 0, 0);
    return digest;
}

bool sha256OfFile(const QString &path, QByteArray &digest, std::vector<char> &buffer, const std::atomic<bool> &cancel,
                  std::atomic<qint64> *bytesDone)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return false;
    Sha256 hasher;
    for (;;) {
        if (cancel.load())
            return false;
        const qint64 n = file.read(buffer.data(), qint64(buffer.size()));
        if (n < 0)
            return false;
        if (n == 0)
            break;
        hasher.update(buffer.data(), n);
        if (bytesDone)
            bytesDone->fetch_add(n);
    }
    digest = hasher.finish();
    return true;
}

} // namespace qn

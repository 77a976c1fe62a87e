#include "platform/Digest.h"

#include "platform/FileSystem.h"

#include <openssl/evp.h>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace qn {

struct Sha256::Impl {
    EVP_MD_CTX *context = nullptr;
};

Sha256::Sha256()
    : m_impl(new Impl)
{
    m_impl->context = EVP_MD_CTX_new();
    EVP_DigestInit_ex(m_impl->context, EVP_sha256(), nullptr);
}

Sha256::~Sha256()
{
    EVP_MD_CTX_free(m_impl->context);
    delete m_impl;
}

void Sha256::update(const char *data, qsizetype length)
{
    EVP_DigestUpdate(m_impl->context, data, size_t(length));
}

QByteArray Sha256::finish()
{
    QByteArray digest(32, '\0');
    unsigned int length = 0;
    EVP_DigestFinal_ex(m_impl->context, reinterpret_cast<unsigned char *>(digest.data()), &length);
    EVP_DigestInit_ex(m_impl->context, EVP_sha256(), nullptr);
    return digest;
}

bool sha256OfFile(const QString &path, QByteArray &digest, std::vector<char> &buffer, const std::atomic<bool> &cancel,
                  std::atomic<qint64> *bytesDone)
{
    const QByteArray native = encodeName(path);
    if (native.contains('\0'))
        return false;
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    // Read front to back: the kernel reads ahead as far as it can.
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    Sha256 hasher;
    bool ok = true;
    for (;;) {
        if (cancel.load(std::memory_order_relaxed)) {
            ok = false;
            break;
        }
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ok = false;
            break;
        }
        if (n == 0)
            break;
        hasher.update(buffer.data(), n);
        if (bytesDone)
            bytesDone->fetch_add(n, std::memory_order_relaxed);
    }
    ::close(fd);
    if (ok)
        digest = hasher.finish();
    return ok;
}

} // namespace qn

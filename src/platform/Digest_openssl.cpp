#include "platform/Digest.h"

#include "platform/FileSystem.h"

#include <openssl/evp.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qn {

namespace {

// Opens a file to read it whole. Never waits: a FIFO or a device opens at
// once (O_NONBLOCK) and is turned away after the open, by what the open file
// is, not what its name was a moment before. A path longer than the system
// takes at once (4,095 bytes) is opened one directory at a time, as the
// walk that found it did. -1 for anything that is not a regular file.
int openRegularFile(const QByteArray &path)
{
    constexpr int Flags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    int fd = ::open(path.constData(), Flags);
    if (fd < 0 && errno == ENAMETOOLONG && path.startsWith('/')) {
        int at = ::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        qsizetype start = 1;
        while (at >= 0) {
            const qsizetype slash = path.indexOf('/', start);
            if (slash < 0) {
                fd = ::openat(at, path.constData() + start, Flags);
                break;
            }
            if (slash > start) {
                const QByteArray step = path.mid(start, slash - start);
                const int next = ::openat(at, step.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
                ::close(at);
                at = next;
            }
            start = slash + 1;
        }
        if (at >= 0)
            ::close(at);
    }
    if (fd < 0)
        return -1;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

} // namespace

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
    const int fd = openRegularFile(native);
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

#include "platform/Digest.h"

#include "platform/WindowsPath.h"

#include <algorithm>

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
    // The long form takes paths past MAX_PATH; only a file on a disk is
    // read (a pipe or a device such as CON would wait or never end).
    const HANDLE file = CreateFileW(win32Path(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info;
    bool ok = GetFileType(file) == FILE_TYPE_DISK && GetFileInformationByHandle(file, &info)
              && !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    Sha256 hasher;
    while (ok) {
        if (cancel.load()) {
            ok = false;
            break;
        }
        DWORD n = 0;
        const DWORD wanted = DWORD(std::min<size_t>(buffer.size(), 1u << 30));
        if (!ReadFile(file, buffer.data(), wanted, &n, nullptr)) {
            ok = false;
            break;
        }
        if (n == 0)
            break;
        hasher.update(buffer.data(), qsizetype(n));
        if (bytesDone)
            bytesDone->fetch_add(n);
    }
    CloseHandle(file);
    if (ok)
        digest = hasher.finish();
    return ok;
}

} // namespace qn

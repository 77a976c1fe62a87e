#include "platform/FileSystem.h"

#include "platform/HiddenEntries.h"
#include "platform/Threads.h"
#include "platform/Utf8.h"

#include <QStringDecoder>

#include <algorithm>
#include <thread>
#include <vector>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <ctime>
#include <sys/stat.h>
#include <unistd.h>

namespace qn {

namespace {

// The bytes of path for a system call; a path holding a NUL names nothing
// (the call would see a shorter, different path).
bool nativeBytes(const QString &path, QByteArray &bytes)
{
    if (path.isEmpty() || path.contains(QChar(0)))
        return false;
    bytes = encodeName(path);
    return true;
}

bool statPath(const QString &path, struct stat &st)
{
    QByteArray bytes;
    return nativeBytes(path, bytes) && ::stat(bytes.constData(), &st) == 0;
}

bool fillStamp(const struct stat &st, FileStamp &stamp)
{
    if (!S_ISREG(st.st_mode))
        return false;
    stamp.size = static_cast<qint64>(st.st_size);
    stamp.modified = static_cast<qint64>(st.st_mtim.tv_sec);
    return true;
}

} // namespace

QString decodeName(const char *bytes, qsizetype length)
{
    qsizetype i = 0;
    while (i < length && static_cast<unsigned char>(bytes[i]) < 0x80)
        ++i;
    if (i == length)
        return QString::fromLatin1(bytes, length);

    // A leading U+FEFF is part of the name, not a byte-order mark.
    QStringDecoder decoder(QStringConverter::Utf8,
                           QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    QString text = decoder.decode(QByteArrayView(bytes, length));
    if (!decoder.hasError())
        return text;

    text.clear();
    text.reserve(length);
    auto p = reinterpret_cast<const unsigned char *>(bytes);
    const auto end = p + length;
    while (p < end) {
        char32_t cp = 0;
        const int n = utf8Sequence(p, end, cp);
        if (n == 0) {
            text.append(QChar(char16_t(0xDC00 + *p)));
            ++p;
        } else {
            if (QChar::requiresSurrogates(cp)) {
                text.append(QChar(QChar::highSurrogate(cp)));
                text.append(QChar(QChar::lowSurrogate(cp)));
            } else {
                text.append(QChar(char16_t(cp)));
            }
            p += n;
        }
    }
    return text;
}

QByteArray encodeName(const QString &name)
{
    bool escaped = false;
    for (QChar c : name) {
        if (c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF) {
            escaped = true;
            break;
        }
    }
    if (!escaped)
        return name.toUtf8();

    QByteArray out;
    out.reserve(name.size() * 3);
    const qsizetype n = name.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = name.at(i).unicode();
        if (c >= 0xDC80 && c <= 0xDCFF
            && !(i > 0 && QChar::isHighSurrogate(name.at(i - 1).unicode()))) {
            out.append(char(c - 0xDC00));
        } else if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(name.at(i + 1).unicode())) {
            out.append(name.mid(i, 2).toUtf8());
            ++i;
        } else {
            out.append(QString(QChar(c)).toUtf8());
        }
    }
    return out;
}

namespace {

bool isStrayByte(QStringView text, qsizetype i)
{
    const char16_t c = text[i].unicode();
    return c >= 0xDC80 && c <= 0xDCFF && !(i > 0 && QChar::isHighSurrogate(text[i - 1].unicode()));
}

} // namespace

QString displayName(const QString &name)
{
    if (!hasUndecodableBytes(name))
        return name;
    QString shown = name;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        if (isStrayByte(name, i))
            shown[i] = QChar::ReplacementCharacter;
    }
    return shown;
}

bool hasUndecodableBytes(QStringView name)
{
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (isStrayByte(name, i))
            return true;
    }
    return false;
}

bool readFileStamp(const QString &path, FileStamp &stamp)
{
    struct stat st;
    return statPath(path, st) && fillStamp(st, stamp);
}

bool isRegularFile(const QString &path)
{
    struct stat st;
    return statPath(path, st) && S_ISREG(st.st_mode);
}

bool isDirectory(const QString &path)
{
    struct stat st;
    return statPath(path, st) && S_ISDIR(st.st_mode);
}

bool canCreateFilesIn(const QString &directory)
{
    QByteArray bytes;
    return nativeBytes(directory, bytes) && ::access(bytes.constData(), W_OK | X_OK) == 0;
}

bool isDirSeparator(QChar c) { return c == QLatin1Char('/'); }
QString nativePath(const QString &path) { return path; }
QString fromNativePath(const QString &path) { return path; }

QStringList commandLineArguments(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(decodeName(argv[i], qsizetype(strlen(argv[i]))));
    return arguments;
}

bool isStandardOutput(const QString &path)
{
    QByteArray bytes;
    struct stat out, file;
    return nativeBytes(path, bytes) && ::fstat(1, &out) == 0 && S_ISREG(out.st_mode)
           && ::stat(bytes.constData(), &file) == 0 && out.st_dev == file.st_dev && out.st_ino == file.st_ino;
}

bool isSamePath(const QString &a, const QString &b) { return a == b; }

QString currentDirectory()
{
    std::vector<char> buffer(4096);
    while (!::getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE)
            return QString();
        buffer.resize(buffer.size() * 2);
    }
    return decodeName(buffer.data(), qsizetype(strlen(buffer.data())));
}

LocalTime localTimeOf(qint64 secondsSinceEpoch)
{
    const time_t t = time_t(secondsSinceEpoch);
    struct tm tm;
    if (!::localtime_r(&t, &tm))
        return LocalTime();
    return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

QString localFileOf(const QUrl &url)
{
    if (!url.isLocalFile())
        return QString();
    // toLocalFile() would decode the escapes as UTF-8 and lose the bytes of
    // a name that is not.
    const QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    return decodeName(bytes.constData(), bytes.size());
}

bool syncFile(int handle)
{
    // Pipes and some special files cannot be synced; that is no write error.
    return handle < 0 || ::fsync(handle) == 0 || errno == EINVAL || errno == EROFS;
}

namespace {

bool writeAllAt(int fd, const char *data, qint64 length)
{
    qint64 done = 0;
    while (done < length) {
        const ssize_t n = ::pwrite(fd, data + done, size_t(length - done), off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

bool readAllAt(int fd, QByteArray &bytes)
{
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pread(fd, bytes.data() + done, size_t(bytes.size() - done), off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

bool rewrite(int fd, const QByteArray &old, const QByteArray &bytes)
{
    // Reserving the new length first makes a full disk or a size limit fail
    // here, before the old bytes are touched. A file system that cannot
    // reserve says so with EOPNOTSUPP; the writes below then find out.
    if (bytes.size() > old.size()) {
        const int reserved = ::posix_fallocate(fd, 0, off_t(bytes.size()));
        if (reserved != 0 && reserved != EOPNOTSUPP && reserved != EINVAL)
            return false;
    }
    return writeAllAt(fd, bytes.constData(), bytes.size()) && ::ftruncate(fd, off_t(bytes.size())) == 0
           && syncFile(fd);
}

} // namespace

bool rewriteInPlace(const QString &path, const QByteArray &bytes)
{
    QByteArray native;
    if (!nativeBytes(path, native))
        return false;
    const int fd = ::open(native.constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    QByteArray old;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (ok) {
        // What to put back if anything fails on the way.
        old.resize(qsizetype(st.st_size));
        ok = readAllAt(fd, old);
        if (ok && !rewrite(fd, old, bytes)) {
            ok = false;
            if (writeAllAt(fd, old.constData(), old.size()) && ::ftruncate(fd, off_t(old.size())) == 0)
                syncFile(fd);
        }
    }
    ::close(fd);
    return ok;
}

namespace {

int openDirectory(const QString &directory)
{
    QByteArray bytes;
    if (!nativeBytes(directory, bytes))
        return -1;
    return ::open(bytes.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

} // namespace

QStringList subdirectories(const QString &directory, bool *ok)
{
    QStringList names;
    const int fd = openDirectory(directory);
    DIR *dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (!dir) {
        if (fd >= 0)
            ::close(fd);
        if (ok)
            *ok = false;
        return names;
    }
    while (const dirent *e = ::readdir(dir)) {
        if (listingLeavesOut(e->d_name, false))
            continue;
        bool isDir = e->d_type == DT_DIR;
        if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
            struct stat st;
            isDir = ::fstatat(fd, e->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
        }
        if (isDir)
            names.append(decodeName(e->d_name, qsizetype(strlen(e->d_name))));
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end(), inListOrder);
    if (ok)
        *ok = true;
    return names;
}

struct DirScanner::Impl {
    NameFilter filter;
    int fd = -1;
    DIR *dir = nullptr;
    bool failed = false;
    const char *current = nullptr;
    std::vector<char> kept; // NUL-terminated names, one after the other
    std::vector<size_t> keptOffsets;
};

DirScanner::DirScanner(const QString &directory, const NameFilter &filter)
    : m_impl(std::make_unique<Impl>())
{
    m_impl->filter = filter;
    m_impl->fd = openDirectory(directory);
    if (m_impl->fd >= 0) {
        m_impl->dir = ::fdopendir(m_impl->fd);
        if (!m_impl->dir) {
            ::close(m_impl->fd);
            m_impl->fd = -1;
        }
    }
    m_impl->failed = m_impl->dir == nullptr;
}

DirScanner::~DirScanner()
{
    if (m_impl->dir)
        ::closedir(m_impl->dir);
}

bool DirScanner::isOpen() const { return m_impl->dir != nullptr; }
bool DirScanner::failed() const { return m_impl->failed; }

bool DirScanner::next(QString &name)
{
    if (!m_impl->dir)
        return false;
    for (;;) {
        errno = 0;
        const dirent *e = ::readdir(m_impl->dir);
        if (!e) {
            if (errno != 0)
                m_impl->failed = true;
            m_impl->current = nullptr;
            return false;
        }
        if (listingLeavesOut(e->d_name, m_impl->filter.takesHidden()))
            continue;
        if (e->d_type != DT_REG && e->d_type != DT_LNK && e->d_type != DT_UNKNOWN)
            continue;
        name = decodeName(e->d_name, qsizetype(strlen(e->d_name)));
        if (m_impl->filter.isSet() && !m_impl->filter.takesFile(name))
            continue;
        if (e->d_type != DT_REG) {
            struct stat st;
            if (::fstatat(m_impl->fd, e->d_name, &st, 0) != 0 || !S_ISREG(st.st_mode))
                continue;
        }
        m_impl->current = e->d_name;
        return true;
    }
}

void DirScanner::keepName()
{
    if (!m_impl->current)
        return;
    m_impl->keptOffsets.push_back(m_impl->kept.size());
    m_impl->kept.insert(m_impl->kept.end(), m_impl->current, m_impl->current + strlen(m_impl->current) + 1);
}

void DirScanner::readStamps(const std::function<void(size_t, const FileStamp *)> &stamp) const
{
    const size_t n = m_impl->keptOffsets.size();
    const int fd = m_impl->fd;
    const char *names = m_impl->kept.data();
    const size_t *offsets = m_impl->keptOffsets.data();
    const auto work = [&, fd, names, offsets](size_t from, size_t to) {
        for (size_t i = from; i < to; ++i) {
            struct stat st;
            FileStamp s;
            const bool ok = fd >= 0 && ::fstatat(fd, names + offsets[i], &st, 0) == 0 && fillStamp(st, s);
            stamp(i, ok ? &s : nullptr);
        }
    };
    // Looking up names is most of the cost of a large directory, and the
    // kernel does it in parallel; for a few thousand names a thread is not
    // worth starting.
    if (n < 4096) {
        work(0, n);
        return;
    }
    const size_t half = n / 2;
    std::thread helper;
    const bool shared = startThread(helper, [&work, half, n] { work(half, n); });
    work(0, shared ? half : n);
    if (shared)
        helper.join();
}

} // namespace qn

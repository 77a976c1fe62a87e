#include "platform/CheckPass.h"

#include "platform/CheckPassPlatform.h"
#include "platform/Digest.h"
#include "platform/Threads.h"

#include <mutex>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qn {

namespace {

FoundFile::Kind missingOrUnreadable(int error)
{
    return error == ENOENT || error == ENOTDIR ? FoundFile::Missing : FoundFile::Unreadable;
}

// The directory open for reading; a path past the system's limit is opened
// one folder at a time, as the walk reaches it. -1 with errno set.
int openDirectory(const QString &path)
{
    const QByteArray native = encodeName(path);
    int fd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0 || errno != ENAMETOOLONG || !native.startsWith('/'))
        return fd;
    fd = ::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (const QByteArray &part : native.split('/')) {
        if (fd < 0 || part.isEmpty())
            continue;
        const int next = ::openat(fd, part.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        const int error = errno;
        ::close(fd);
        fd = next;
        errno = error;
    }
    return fd;
}

void checkOne(DirectoryCheck &d)
{
    d.found.resize(d.names.size());
    d.known.resize(d.names.size(), 0);
    bool all = true;
    for (char k : d.known)
        all = all && k;
    if (all)
        return;
    const int fd = openDirectory(d.path);
    if (fd < 0) {
        const FoundFile::Kind kind = missingOrUnreadable(errno);
        for (size_t i = 0; i < d.names.size(); ++i) {
            if (!d.known[i])
                d.found[i] = FoundFile{kind, {}};
        }
        return;
    }
    for (size_t i = 0; i < d.names.size(); ++i) {
        if (d.known[i])
            continue;
        struct stat st;
        if (::fstatat(fd, encodeName(d.names[i]).constData(), &st, 0) != 0)
            d.found[i] = FoundFile{missingOrUnreadable(errno), {}};
        else if (!S_ISREG(st.st_mode))
            d.found[i] = FoundFile{FoundFile::NotAFile, {}};
        else
            d.found[i] = FoundFile{FoundFile::Present, FileStamp{qint64(st.st_size), qint64(st.st_mtim.tv_sec)}};
    }
    ::close(fd);
}

} // namespace

// Opened relative to its directory, without blocking: never a pipe or a
// device, which could block or never end.
bool digestOfListedFile(const DirectoryCheck &d, const QString &name, QByteArray &digest, std::vector<char> &buffer,
                        const std::atomic<bool> &cancel)
{
    const int dir = openDirectory(d.path);
    if (dir < 0)
        return false;
    const int fd = ::openat(dir, encodeName(name).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    ::close(dir);
    if (fd < 0)
        return false;
    struct stat st;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    Sha256 hash;
    while (ok && !cancel.load()) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        hash.update(buffer.data(), qsizetype(n));
    }
    ::close(fd);
    if (!ok || cancel.load())
        return false;
    digest = hash.finish();
    return true;
}

int contentThreads(int threads) { return threads; }

void checkDirectories(std::vector<DirectoryCheck> &directories, const std::atomic<bool> &cancel,
                      const TreeWalkProgress &progress, int threads)
{
    std::atomic<qint64> files{0};
    ReportClock clock;
    std::mutex reporting;
    forEachOnThreads(directories.size(), threads, cancel, [&](size_t i) {
        checkOne(directories[i]);
        const qint64 names = qint64(directories[i].names.size());
        const qint64 done = files.fetch_add(names) + names;
        if (progress && clock.due()) {
            std::lock_guard lock(reporting);
            progress(done, directories[i].path);
        }
    });
}

} // namespace qn

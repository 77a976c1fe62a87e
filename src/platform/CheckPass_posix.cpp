#include "platform/CheckPass.h"

#include "platform/Digest.h"
#include "platform/Threads.h"

#include <QSet>

#include <chrono>
#include <cstring>
#include <mutex>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qn {

namespace {

FoundFile::Kind missingOrUnreadable(int error)
{
    return error == ENOENT || error == ENOTDIR ? FoundFile::Missing : FoundFile::Unreadable;
}

// Files of the recorded size whose digest was recorded are read again: the
// size and the time alone do not show a changed content.
void compareContent(DirectoryCheck &d, const std::atomic<bool> &cancel)
{
    std::vector<char> buffer;
    for (size_t i = 0; i < d.digests.size() && i < d.found.size(); ++i) {
        FoundFile &f = d.found[i];
        if (d.digests[i].isEmpty() || f.kind != FoundFile::Present)
            continue;
        if (buffer.empty())
            buffer.resize(1 << 20);
        QByteArray now;
        if (sha256OfFile(d.path + d.names[i], now, buffer, cancel))
            f.contentDiffers = now != d.digests[i];
        else if (!cancel.load())
            f.kind = FoundFile::Unreadable;
    }
}

void checkOne(DirectoryCheck &d, const std::atomic<bool> &cancel)
{
    d.found.assign(d.names.size(), FoundFile());
    const int fd = ::open(encodeName(d.path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        const FoundFile::Kind kind = missingOrUnreadable(errno);
        for (FoundFile &f : d.found)
            f.kind = kind;
        return;
    }
    QSet<QString> named;
    named.reserve(qsizetype(d.names.size()));
    for (size_t i = 0; i < d.names.size(); ++i) {
        named.insert(d.names[i]);
        struct stat st;
        if (::fstatat(fd, encodeName(d.names[i]).constData(), &st, 0) != 0) {
            d.found[i].kind = missingOrUnreadable(errno);
        } else if (!S_ISREG(st.st_mode)) {
            d.found[i].kind = FoundFile::Missing; // no ordinary file by that name any more
        } else {
            d.found[i].kind = FoundFile::Present;
            d.found[i].stamp = FileStamp{qint64(st.st_size), qint64(st.st_mtim.tv_sec)};
        }
    }
    compareContent(d, cancel);
    const int listing = ::dup(fd);
    DIR *dir = listing >= 0 ? ::fdopendir(listing) : nullptr;
    if (!dir && listing >= 0)
        ::close(listing);
    while (dir) {
        const dirent *e = ::readdir(dir);
        if (!e)
            break;
        if (e->d_name[0] == '.')
            continue; // hidden, and the directory itself and its parent
        if (e->d_type != DT_REG && e->d_type != DT_LNK && e->d_type != DT_UNKNOWN)
            continue;
        const QString name = decodeName(e->d_name, qsizetype(strlen(e->d_name)));
        if (named.contains(name))
            continue;
        struct stat st;
        if (::fstatat(fd, e->d_name, &st, 0) == 0 && S_ISREG(st.st_mode))
            d.added.push_back(WalkedFile{name, FileStamp{qint64(st.st_size), qint64(st.st_mtim.tv_sec)}});
    }
    if (dir)
        ::closedir(dir);
    ::close(fd);
}

} // namespace

void checkDirectories(std::vector<DirectoryCheck> &directories, const std::atomic<bool> &cancel,
                      const TreeWalkProgress &progress, int threads)
{
    std::atomic<qint64> files{0};
    ReportClock clock;
    std::mutex reporting;
    forEachOnThreads(directories.size(), threads, cancel, [&](size_t i) {
        checkOne(directories[i], cancel);
        const qint64 names = qint64(directories[i].names.size());
        const qint64 done = files.fetch_add(names) + names;
        if (progress && clock.due()) {
            std::lock_guard lock(reporting);
            progress(done, directories[i].path);
        }
    });
}

} // namespace qn

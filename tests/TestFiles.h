#pragma once

#include "platform/FileSystem.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

// Readable failure messages for Qt strings.
// Long values are cut: a failure must stay readable.
inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.left(300).toStdString() << (s.size() > 300 ? "\"... (" + std::to_string(s.size()) + " characters)" : "\"");
}
inline void PrintTo(const QByteArray &b, std::ostream *os)
{
    *os << '"' << b.left(300).toStdString() << (b.size() > 300 ? "\"... (" + std::to_string(b.size()) + " bytes)" : "\"");
}

namespace qn::test {

// The names in an open directory, "." and ".." left out.
inline std::vector<std::string> namesIn(int fd)
{
    std::vector<std::string> names;
    const int listing = ::dup(fd);
    if (DIR *dir = listing >= 0 ? ::fdopendir(listing) : nullptr) {
        while (const dirent *e = ::readdir(dir)) {
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
                names.emplace_back(e->d_name);
        }
        ::closedir(dir);
    }
    return names;
}

// Removes what `name` names below the directory `at`, by raw names and
// relative to open directories, so neither undecodable names nor paths
// longer than PATH_MAX stop it; one directory open at a time and no
// recursion, however deep the tree.
inline void removeBelow(int at, const char *name)
{
    struct stat st;
    if (::fstatat(at, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return;
    if (!S_ISDIR(st.st_mode)) {
        ::unlinkat(at, name, 0);
        return;
    }
    ::fchmodat(at, name, 0755, 0);
    int current = ::openat(at, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (current < 0) {
        ::unlinkat(at, name, AT_REMOVEDIR);
        return;
    }
    struct Level {
        std::string name; // in the level above
        std::vector<std::string> names;
        size_t next = 0;
    };
    std::vector<Level> levels;
    levels.push_back({name, namesIn(current)});
    while (!levels.empty()) {
        Level &level = levels.back();
        if (level.next < level.names.size()) {
            const std::string entry = level.names[level.next++];
            if (::fstatat(current, entry.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode)) {
                ::fchmodat(current, entry.c_str(), 0755, 0);
                const int below = ::openat(current, entry.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
                if (below >= 0) {
                    ::close(current);
                    current = below;
                    levels.push_back({entry, namesIn(current)});
                    continue;
                }
                ::unlinkat(current, entry.c_str(), AT_REMOVEDIR);
            } else {
                ::unlinkat(current, entry.c_str(), 0);
            }
            continue;
        }
        const std::string done = level.name;
        levels.pop_back();
        if (levels.empty()) {
            ::close(current);
            ::unlinkat(at, done.c_str(), AT_REMOVEDIR);
            break;
        }
        const int up = ::openat(current, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(current);
        if (up < 0)
            return;
        current = up;
        ::unlinkat(current, done.c_str(), AT_REMOVEDIR);
    }
}

// Fixtures made at test time: files by raw name, with content and time.
class Fixture {
public:
    Fixture()
    {
        m_dir.setAutoRemove(false);
        // Readable to everyone, for the tests that give up root.
        ::chmod(nativePath().constData(), 0755);
    }
    ~Fixture() { removeBelow(AT_FDCWD, QFile::encodeName(m_dir.path()).constData()); }
    Fixture(const Fixture &) = delete;
    Fixture &operator=(const Fixture &) = delete;
    QString path() const { return m_dir.path() + QLatin1Char('/'); }
    QByteArray nativePath() const { return QFile::encodeName(path()); }

    // Writes a file whose name is taken byte for byte.
    void file(const QByteArray &name, const QByteArray &content = QByteArray(), qint64 mtime = -1) const
    {
        const QByteArray full = nativePath() + name;
        const int fd = ::open(full.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0)
            return;
        if (!content.isEmpty() && ::write(fd, content.constData(), size_t(content.size())) < 0) {
        }
        ::close(fd);
        if (mtime >= 0)
            touch(name, mtime);
    }
    void touch(const QByteArray &name, qint64 mtime) const
    {
        struct timeval times[2] = {{time_t(mtime), 0}, {time_t(mtime), 0}};
        ::utimes((nativePath() + name).constData(), times);
    }
    void subdir(const QByteArray &name) const { ::mkdir((nativePath() + name).constData(), 0755); }
    void symlink(const QByteArray &target, const QByteArray &name) const
    {
        if (::symlink(target.constData(), (nativePath() + name).constData()) != 0) {
        }
    }
    // A sparse file of the given length.
    void sparse(const QByteArray &name, qint64 length) const
    {
        const int fd = ::open((nativePath() + name).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            if (::ftruncate(fd, off_t(length)) != 0) {
            }
            ::close(fd);
        }
    }
    bool remove(const QByteArray &name) const { return ::unlink((nativePath() + name).constData()) == 0; }
    static void removeTree(const QString &path) { removeBelow(AT_FDCWD, QFile::encodeName(path).constData()); }

private:
    QTemporaryDir m_dir;
};

// A real write error, as on a full disk: while it lives, this process cannot
// make any file longer than `bytes`, and a write past it fails with EFBIG
// (SIGXFSZ ignored) instead of ending the process.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit lower = m_old;
        lower.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &lower);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_handler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    struct rlimit m_old;
    void (*m_handler)(int);
};

// Runs f where file permissions apply: in a child that has given up root
// when the tests run as root, here otherwise. True when f returned true.
inline bool asOrdinaryUser(const std::function<bool()> &f)
{
    if (::geteuid() != 0)
        return f();
    const pid_t child = ::fork();
    if (child == 0) {
        const bool ok = ::setgid(65534) == 0 && ::setuid(65534) == 0 && f();
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Runs a program as asOrdinaryUser does, unable to make any file longer than
// `limit` bytes (a full disk); its exit status (-1 when it did not end
// normally) and what it said on standard error.
inline int runLimited(const QStringList &arguments, rlim_t limit, QByteArray *errors = nullptr)
{
    std::vector<QByteArray> bytes;
    for (const QString &a : arguments)
        bytes.push_back(encodeName(a));
    std::vector<char *> argv;
    for (QByteArray &b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    int pipe[2];
    if (::pipe(pipe) != 0)
        return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(pipe[1], 2);
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(126);
        std::signal(SIGXFSZ, SIG_IGN); // stays ignored across exec
        struct rlimit full = {limit, limit};
        ::setrlimit(RLIMIT_FSIZE, &full);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(pipe[1]);
    QByteArray said;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipe[0], buffer, sizeof buffer)) > 0;)
        said.append(buffer, n);
    ::close(pipe[0]);
    if (errors)
        *errors = said;
    int status = 0;
    if (child <= 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

// The ordinary files of dir in the order the file system lists them.
inline QStringList listingOrder(const QString &dir)
{
    QStringList names;
    DirScanner scan(dir);
    for (QString name; scan.next(name);)
        names.append(name);
    return names;
}

// What a folder holds, hidden files included: nothing half-written may stay.
inline QStringList filesIn(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

inline QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace qn::test

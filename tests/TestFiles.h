#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <ostream>

// Readable failure messages for Qt strings.
inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QByteArray &b, std::ostream *os) { *os << '"' << b.toStdString() << '"'; }

namespace qn::test {

// Fixtures made at test time: files by raw name, with content and time.
class Fixture {
public:
    Fixture() { m_dir.setAutoRemove(false); }
    // Removed by raw name: QDir cannot remove names that are not valid UTF-8.
    ~Fixture()
    {
        ::chmod(nativePath().constData(), 0755);
        ::nftw(
            nativePath().constData(),
            [](const char *p, const struct stat *, int, struct FTW *) { return ::remove(p) == 0 ? 0 : 0; }, 16,
            FTW_DEPTH | FTW_PHYS);
    }
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

private:
    QTemporaryDir m_dir;
};

inline QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace qn::test

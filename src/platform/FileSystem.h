#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include "platform/NameFilter.h"
#include <functional>
#include <memory>

namespace qn {

// A file's length and last-modification time (seconds since the epoch).
struct FileStamp {
    qint64 size = 0;
    qint64 modified = 0;
};

// Names on Linux are bytes and need not be valid UTF-8. decodeName keeps every
// byte: valid UTF-8 decodes as usual, each stray byte b becomes U+DC00+b, so
// encodeName(decodeName(x)) == x and two different names never compare equal.
QString decodeName(const char *bytes, qsizetype length);
QByteArray encodeName(const QString &name);
// What a person sees: stray bytes are shown as U+FFFD.
QString displayName(const QString &name);
// Whether a name holds such stray bytes.
bool hasUndecodableBytes(QStringView name);

// Length and time of an ordinary file (symbolic links followed); false when the
// path does not name an existing, accessible regular file.
bool readFileStamp(const QString &path, FileStamp &stamp);

// True for an existing regular file (symbolic links followed), hidden or not.
bool isRegularFile(const QString &path);
bool isDirectory(const QString &path);

// Whether a new file can be made in directory (permissions, a read-only
// volume).
bool canCreateFilesIn(const QString &directory);

// Whether c separates directories: "/" on Linux, where "\" is an ordinary
// character of a name; "/" and "\" on Windows.
bool isDirSeparator(QChar c);
// Paths are kept with "/" inside the program; nativePath gives them as the
// platform shows and writes them ("C:\foo\" on Windows), fromNativePath
// takes them back.
QString nativePath(const QString &path);
QString fromNativePath(const QString &path);

// The program's arguments, each path in them with its exact bytes.
QStringList commandLineArguments(int argc, char *argv[]);
// Whether path names the file standard output writes to (a shell's
// "> FILE").
bool isStandardOutput(const QString &path);
// Whether two paths are spelled as the same file: exactly on Linux, without
// regard to case on Windows, whose file systems compare names so.
bool isSamePath(const QString &a, const QString &b);

// The current directory with the exact bytes of its name; empty when it
// cannot be had (it was removed).
QString currentDirectory();

// A time stamp as the local clock and calendar show it.
struct LocalTime {
    int year = 1970, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};
LocalTime localTimeOf(qint64 secondsSinceEpoch);

// The local file a URL names, with the exact bytes of its name; empty for
// anything that is not a local file.
QString localFileOf(const QUrl &url);

// Flushes what was written to handle to the disk; false when the disk
// reports an error.
bool syncFile(int handle);

// Rewrites an existing regular file in place, for a directory that takes no
// new file: afterwards the file holds either all of bytes (true) or exactly
// what it held before (false), never a mix and never less. The new length is
// reserved before a byte changes; a failure after that writes the old bytes
// back.
bool rewriteInPlace(const QString &path, const QByteArray &bytes);

// The order of names in the directory and file lists, which every walk
// follows: without regard to case, then exactly ("B" before "b").
bool inListOrder(QStringView a, QStringView b);

// The subdirectories of a directory that are not hidden, in list order.
QStringList subdirectories(const QString &directory, bool *ok = nullptr);

// Walks the ordinary files of one directory in the order the file system
// lists them: regular files and links to them that filter takes (by default
// no hidden entries), never subdirectories, broken links, sockets, pipes or
// devices.
class DirScanner {
public:
    explicit DirScanner(const QString &directory, const NameFilter &filter = NameFilter());
    ~DirScanner();
    DirScanner(const DirScanner &) = delete;
    DirScanner &operator=(const DirScanner &) = delete;

    bool isOpen() const;
    // The next name, without directory; false at the end or on a read error.
    bool next(QString &name);
    bool failed() const;
    // Keeps the name that next() returned last, as the file system spells
    // it, for readStamps().
    void keepName();
    // Reads the stamps of every kept name, sharing the work with a second
    // thread when there are enough of them: stamp(i, s) gets the stamp of the
    // i-th name kept, or nullptr when it cannot be read. It is called from
    // two threads at once, once for each i.
    void readStamps(const std::function<void(size_t, const FileStamp *)> &stamp) const;

    struct Impl;

private:
    std::unique_ptr<Impl> m_impl;
};

} // namespace qn

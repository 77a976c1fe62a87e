#include "platform/FileSystem.h"
#include "platform/HiddenEntries.h"
#include "platform/WindowsPath.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <ctime>
#include <io.h>
#include <windows.h>

namespace qn {

namespace {

qint64 toUnixSeconds(const FILETIME &ft) { return unixSecondsOf(ft); }

// A file the scanner takes: no directory or device, and not left out as
// hidden.
bool isOrdinary(const WIN32_FIND_DATAW &d, bool takesHidden)
{
    if (d.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))
        return false;
    return !listingLeavesOut(d.cFileName, d.dwFileAttributes, takesHidden);
}

std::wstring wide(const QString &path) { return win32Path(path); }

} // namespace

qint64 unixSecondsOf(const FILETIME &ft)
{
    ULARGE_INTEGER t;
    t.LowPart = ft.dwLowDateTime;
    t.HighPart = ft.dwHighDateTime;
    return qint64(t.QuadPart / 10000000ULL) - 11644473600LL;
}

std::wstring win32Path(const QString &path)
{
    // The "\\?\" form does no clean-up of its own, so only a clean,
    // absolute path is given so; short paths keep the ordinary form.
    constexpr qsizetype LongFrom = 240;
    const QString native = QDir::toNativeSeparators(path);
    if (native.size() < LongFrom || native.startsWith(QLatin1String("\\\\?\\")))
        return native.toStdWString();
    QString clean = QDir::toNativeSeparators(QDir::cleanPath(path));
    if (clean.size() >= 3 && clean[1] == QLatin1Char(':') && clean[2] == QLatin1Char('\\'))
        clean.prepend(QLatin1String("\\\\?\\"));
    else if (clean.startsWith(QLatin1String("\\\\")))
        clean = QLatin1String("\\\\?\\UNC\\") + clean.mid(2);
    else
        return native.toStdWString();
    if (native.endsWith(QLatin1Char('\\')) && !clean.endsWith(QLatin1Char('\\')))
        clean += QLatin1Char('\\');
    return clean.toStdWString();
}

// Names are UTF-16 here and always round-trip through QString.
QString decodeName(const char *bytes, qsizetype length) { return QString::fromUtf8(bytes, length); }
QByteArray encodeName(const QString &name) { return name.toUtf8(); }
QString displayName(const QString &name) { return name; }
bool hasUndecodableBytes(QStringView) { return false; }

bool targetStamp(const QString &path, qint64 &size, qint64 &modified)
{
    const HANDLE h = CreateFileW(win32Path(path).c_str(), FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info;
    const bool ok = GetFileInformationByHandle(h, &info) && !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    CloseHandle(h);
    if (ok) {
        size = (qint64(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
        modified = unixSecondsOf(info.ftLastWriteTime);
    }
    return ok;
}

bool readFileStamp(const QString &path, FileStamp &stamp)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(wide(path).c_str(), GetFileExInfoStandard, &data))
        return false;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return false;
    // These attributes are the link's own: a symbolic link to a file is
    // taken as its target, as the walk takes it.
    if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return targetStamp(path, stamp.size, stamp.modified);
    stamp.size = (qint64(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    stamp.modified = toUnixSeconds(data.ftLastWriteTime);
    return true;
}

bool isRegularFile(const QString &path)
{
    const DWORD a = GetFileAttributesW(wide(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE));
}

bool canCreateFilesIn(const QString &directory)
{
    const QFileInfo info(directory);
    return info.isDir() && info.isWritable();
}

bool isDirSeparator(QChar c) { return c == QLatin1Char('/') || c == QLatin1Char('\\'); }
QString nativePath(const QString &path) { return QDir::toNativeSeparators(path); }
QString fromNativePath(const QString &path) { return QDir::fromNativeSeparators(path); }

QStringList commandLineArguments(int, char *[])
{
    return QCoreApplication::arguments(); // from the wide command line: every path whole
}

QString currentDirectory() { return QDir::currentPath(); }

namespace {

// The volume and file index of an open file: what makes it the same file
// whatever name it was opened by.
bool identityOf(HANDLE h, BY_HANDLE_FILE_INFORMATION &info)
{
    return h != INVALID_HANDLE_VALUE && h != nullptr && GetFileType(h) == FILE_TYPE_DISK
           && GetFileInformationByHandle(h, &info);
}

} // namespace

bool isStandardOutput(const QString &path)
{
    BY_HANDLE_FILE_INFORMATION out, file;
    if (!identityOf(GetStdHandle(STD_OUTPUT_HANDLE), out))
        return false;
    const HANDLE h = CreateFileW(wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    const bool same = identityOf(h, file) && out.dwVolumeSerialNumber == file.dwVolumeSerialNumber
                      && out.nFileIndexHigh == file.nFileIndexHigh && out.nFileIndexLow == file.nFileIndexLow
                      && (file.nFileIndexHigh != 0 || file.nFileIndexLow != 0);
    if (h != INVALID_HANDLE_VALUE)
        CloseHandle(h);
    return same;
}

bool isSamePath(const QString &a, const QString &b)
{
    return QDir::fromNativeSeparators(a).compare(QDir::fromNativeSeparators(b), Qt::CaseInsensitive) == 0;
}

LocalTime localTimeOf(qint64 secondsSinceEpoch)
{
    const __time64_t t = secondsSinceEpoch;
    struct tm tm;
    if (_localtime64_s(&tm, &t) != 0)
        return LocalTime();
    return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

QString localFileOf(const QUrl &url)
{
    return url.isLocalFile() ? url.toLocalFile() : QString();
}

bool syncFile(int handle)
{
    if (handle < 0)
        return true;
    const HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(handle));
    return h == INVALID_HANDLE_VALUE || FlushFileBuffers(h) || GetLastError() == ERROR_INVALID_HANDLE;
}

bool rewriteInPlace(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return false;
    const QByteArray old = file.readAll();
    if (file.error() != QFileDevice::NoError || old.size() != file.size())
        return false;
    const auto writeFromStart = [&file](const QByteArray &data) {
        return file.seek(0) && file.write(data) == data.size() && file.resize(data.size())
               && syncFile(file.handle());
    };
    // Growing the file first reserves its room: a full disk fails here, while
    // the old bytes are still in place.
    if (bytes.size() > old.size() && !file.resize(bytes.size())) {
        file.resize(old.size());
        return false;
    }
    if (writeFromStart(bytes))
        return true;
    writeFromStart(old);
    return false;
}

bool isDirectory(const QString &path)
{
    const DWORD a = GetFileAttributesW(wide(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

QStringList subdirectories(const QString &directory, bool *ok)
{
    QDir dir(directory);
    if (ok)
        *ok = dir.exists();
    QStringList names = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Unsorted);
    std::sort(names.begin(), names.end(), inListOrder);
    return names;
}

struct DirScanner::Impl {
    NameFilter filter;
    HANDLE find = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAW data;
    bool pending = false;
    bool failed = false;
    QString directory; // ends in a separator
    QString current;
    std::vector<QString> kept;
};

DirScanner::DirScanner(const QString &directory, const NameFilter &filter)
    : m_impl(std::make_unique<Impl>())
{
    m_impl->filter = filter;
    m_impl->directory = directory;
    if (!directory.endsWith(QLatin1Char('/')) && !directory.endsWith(QLatin1Char('\\')))
        m_impl->directory += QLatin1Char('/');
    QString pattern = directory;
    if (!pattern.endsWith(QLatin1Char('/')) && !pattern.endsWith(QLatin1Char('\\')))
        pattern += QLatin1Char('/');
    pattern += QLatin1String("*.*");
    m_impl->find = FindFirstFileW(wide(pattern).c_str(), &m_impl->data);
    m_impl->pending = m_impl->find != INVALID_HANDLE_VALUE;
    m_impl->failed = !m_impl->pending && GetLastError() != ERROR_FILE_NOT_FOUND;
}

DirScanner::~DirScanner()
{
    if (m_impl->find != INVALID_HANDLE_VALUE)
        FindClose(m_impl->find);
}

bool DirScanner::isOpen() const { return !m_impl->failed; }
bool DirScanner::failed() const { return m_impl->failed; }

bool DirScanner::next(QString &name)
{
    m_impl->current.clear();
    while (m_impl->pending) {
        const WIN32_FIND_DATAW &d = m_impl->data;
        bool ordinary = isOrdinary(d, m_impl->filter.takesHidden());
        if (ordinary) {
            name = QString::fromWCharArray(d.cFileName);
            ordinary = !m_impl->filter.isSet() || m_impl->filter.takesFile(name);
            if (ordinary)
                m_impl->current = name;
        }
        m_impl->pending = FindNextFileW(m_impl->find, &m_impl->data);
        if (!m_impl->pending && GetLastError() != ERROR_NO_MORE_FILES)
            m_impl->failed = true;
        if (ordinary)
            return true;
    }
    return false;
}

void DirScanner::keepName()
{
    if (!m_impl->current.isEmpty())
        m_impl->kept.push_back(m_impl->current);
}

// The stamps are read again rather than taken from the listing: a file that
// vanished since it was listed must fail its add, as on every platform.
void DirScanner::readStamps(const std::function<void(size_t, const FileStamp *)> &stamp) const
{
    for (size_t i = 0; i < m_impl->kept.size(); ++i) {
        FileStamp s;
        stamp(i, readFileStamp(m_impl->directory + m_impl->kept[i], s) ? &s : nullptr);
    }
}

} // namespace qn

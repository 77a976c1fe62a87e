#include "platform/TreeWalk.h"
#include "platform/HiddenEntries.h"
#include "platform/Threads.h"
#include "platform/WindowsPath.h"

#include <algorithm>
#include <set>
#include <tuple>

namespace qn {

namespace {

// A directory's identity: its volume and its file index, whatever path led
// to it; its path where the file system gives no index (0).
using Identity = std::tuple<DWORD, DWORD, DWORD, QString>;

bool identityOf(const QString &directory, Identity &identity)
{
    // The directory itself, not what a reparse point in its place leads to.
    const HANDLE h = CreateFileW(win32Path(directory).c_str(), FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info;
    const bool ok = GetFileInformationByHandle(h, &info);
    CloseHandle(h);
    if (!ok)
        return false;
    if (info.nFileIndexHigh == 0 && info.nFileIndexLow == 0)
        identity = Identity{info.dwVolumeSerialNumber, 0, 0, directory};
    else
        identity = Identity{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow, QString()};
    return true;
}

// A reparse point that stands for another name (a junction, a symbolic
// link): the walk goes no further through it, as the Linux walk does not
// follow links to directories. Others (cloud placeholders, deduplicated
// files) are the directory or file itself.
bool isNameSurrogate(const WIN32_FIND_DATAW &data)
{
    return (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && IsReparseTagNameSurrogate(data.dwReserved0);
}

} // namespace

// One thread here: the listing calls of this platform bring each file's
// attributes along, so the walk is bound by the disk rather than by calls.
// Reparse points that stand for another name (junctions, symbolic links to
// directories) are not followed, and a directory already read (known by its identity, whatever
// the path) is not read again, so no tree leads round in a circle.
TreeWalkReport walkTree(const QString &root, const std::atomic<bool> &cancel, const TreeWalkProgress &progress,
                        int, bool subdirectories, const NameFilter &filter)
{
    TreeWalkReport report;
    report.threads = 1;
    const bool takesHidden = filter.takesHidden();
    ReportClock clock;
    std::set<Identity> seen;
    std::vector<QString> stack{root.endsWith(QLatin1Char('/')) || root.endsWith(QLatin1Char('\\'))
                                   ? root
                                   : root + QLatin1Char('/')};
    while (!stack.empty()) {
        if (cancel.load()) {
            report = TreeWalkReport();
            report.cancelled = true;
            return report;
        }
        const QString path = stack.back();
        stack.pop_back();
        Identity identity;
        if (!identityOf(path, identity)) {
            report.skipped.append(path);
            continue;
        }
        if (!seen.insert(identity).second)
            continue;

        std::wstring pattern = win32Path(path);
        if (pattern.empty() || pattern.back() != L'\\')
            pattern += L'\\';
        pattern += L'*';
        WIN32_FIND_DATAW data;
        const HANDLE find = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                             FIND_FIRST_EX_LARGE_FETCH);
        if (find == INVALID_HANDLE_VALUE) {
            report.skipped.append(path);
            continue;
        }
        WalkedDirectory walked{path, {}};
        QStringList children;
        bool more = true;
        for (; more; more = FindNextFileW(find, &data)) {
            if (listingLeavesOut(data.cFileName, data.dwFileAttributes, takesHidden))
                continue;
            const QString name = QString::fromWCharArray(data.cFileName);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                if (subdirectories && !isNameSurrogate(data) && filter.entersDirectory(name))
                    children.append(name);
                continue;
            }
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) || !filter.takesFile(name))
                continue;
            FileStamp stamp{(qint64(data.nFileSizeHigh) << 32) | data.nFileSizeLow,
                            unixSecondsOf(data.ftLastWriteTime)};
            // A symbolic link to a file counts as that file, as a link does
            // on every platform; one that leads nowhere is no file.
            if (isNameSurrogate(data) && !targetStamp(path + name, stamp.size, stamp.modified))
                continue;
            walked.files.push_back(WalkedFile{name, stamp});
        }
        const bool readToTheEnd = GetLastError() == ERROR_NO_MORE_FILES;
        FindClose(find);
        if (!readToTheEnd)
            report.skipped.append(path);
        report.fileCount += qint64(walked.files.size());
        if (!walked.files.empty())
            report.directories.push_back(std::move(walked));

        std::sort(children.begin(), children.end(), inListOrder);
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            stack.push_back(path + *it + QLatin1Char('/'));

        if (progress && clock.due())
            progress(report.fileCount, path);
    }
    return report;
}

} // namespace qn

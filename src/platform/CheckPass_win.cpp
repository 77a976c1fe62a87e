#include "platform/CheckPass.h"

#include "platform/CheckPassPlatform.h"
#include "platform/Digest.h"
#include "platform/Threads.h"

#include <QDir>
#include <QFileInfo>

namespace qn {

// One thread here, as the walk: the listing calls of this platform bring each
// file's attributes along.
void checkDirectories(std::vector<DirectoryCheck> &directories, const std::atomic<bool> &cancel,
                      const TreeWalkProgress &progress, int)
{
    qint64 files = 0;
    ReportClock clock;
    for (DirectoryCheck &d : directories) {
        if (cancel.load())
            return;
        d.found.resize(d.names.size());
        d.known.resize(d.names.size(), 0);
        const QDir dir(d.path);
        const bool readable = dir.exists() && dir.isReadable();
        for (size_t i = 0; i < d.names.size(); ++i) {
            if (d.known[i])
                continue;
            FileStamp stamp;
            if (readFileStamp(d.path + d.names[i], stamp))
                d.found[i] = FoundFile{FoundFile::Present, stamp};
            else
                d.found[i] = FoundFile{!readable && dir.exists() ? FoundFile::Unreadable : FoundFile::Missing, {}};
        }
        files += qint64(d.names.size());
        if (progress && clock.due())
            progress(files, d.path);
    }
}

bool digestOfListedFile(const DirectoryCheck &d, const QString &name, QByteArray &digest, std::vector<char> &buffer,
                        const std::atomic<bool> &cancel)
{
    return sha256OfFile(d.path + name, digest, buffer, cancel);
}

// One thread, as the rest of the check here.
int contentThreads(int) { return 1; }

} // namespace qn

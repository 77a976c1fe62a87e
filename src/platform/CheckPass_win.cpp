#include "platform/CheckPass.h"

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

void compareContents(std::vector<DirectoryCheck> &directories, const std::vector<ContentItem> &items,
                     const std::atomic<bool> &cancel, const TreeWalkProgress &progress, int)
{
    std::vector<char> buffer(1 << 20);
    qint64 files = 0;
    for (const ContentItem &item : items) {
        if (cancel.load())
            return;
        DirectoryCheck &d = directories[item.directory];
        QByteArray now;
        if (sha256OfFile(d.path + d.names[item.name], now, buffer, cancel))
            d.found[item.name].contentDiffers = now != d.digests[item.name];
        else if (!cancel.load())
            d.found[item.name].kind = FoundFile::Unreadable;
        if (progress)
            progress(++files, d.path);
    }
}

} // namespace qn

#include "platform/CheckPass.h"

#include "platform/Digest.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace qn {

// One thread here, as the walk: the listing calls of this platform bring each
// file's attributes along.
void checkDirectories(std::vector<DirectoryCheck> &directories, const std::atomic<bool> &cancel,
                      const TreeWalkProgress &progress, int)
{
    qint64 files = 0;
    for (DirectoryCheck &d : directories) {
        if (cancel.load())
            return;
        d.found.assign(d.names.size(), FoundFile());
        const QDir dir(d.path);
        const bool readable = dir.exists() && dir.isReadable();
        QSet<QString> named;
        for (size_t i = 0; i < d.names.size(); ++i) {
            named.insert(d.names[i]);
            FileStamp stamp;
            if (readFileStamp(d.path + d.names[i], stamp))
                d.found[i] = FoundFile{FoundFile::Present, stamp};
            else
                d.found[i].kind = !readable && dir.exists() ? FoundFile::Unreadable : FoundFile::Missing;
        }
        if (readable) {
            DirScanner scan(d.path);
            for (QString name; scan.next(name);) {
                FileStamp stamp;
                if (!named.contains(name) && readFileStamp(d.path + name, stamp))
                    d.added.push_back(WalkedFile{name, stamp});
            }
        }
        std::vector<char> buffer(1 << 20);
        for (size_t i = 0; i < d.digests.size() && i < d.found.size(); ++i) {
            QByteArray now;
            if (d.digests[i].isEmpty() || d.found[i].kind != FoundFile::Present)
                continue;
            if (sha256OfFile(d.path + d.names[i], now, buffer, cancel))
                d.found[i].contentDiffers = now != d.digests[i];
            else if (!cancel.load())
                d.found[i].kind = FoundFile::Unreadable;
        }
        files += qint64(d.names.size());
        if (progress)
            progress(files, d.path);
    }
}

} // namespace qn

#pragma once

#include "platform/DirectoryFiles.h"
#include "platform/FileSystem.h"
#include "platform/NameFilter.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <vector>

namespace qn {

struct TreeWalkReport {
    // Directories in list order: by name as the directory list shows them,
    // each directory's files before its subdirectories.
    std::vector<WalkedDirectory> directories;
    qint64 fileCount = 0;
    // Directories that could not be read and files that vanished, in list order.
    QStringList skipped;
    bool cancelled = false;
    int threads = 0;
};

// How far a walk, or other long work, got: the files done so far and a line
// of detail shown beneath them: the directory being read (a walk, a check),
// or for work that reads no directories what else it has done (the bytes
// hashed so far, "N バイト").
using TreeWalkProgress = std::function<void(qint64 files, const QString &detail)>;

// Walks every ordinary file of root and, with `subdirectories`, of all its
// subdirectories, on `threads` threads (0: one for each core), as filter
// takes them: by default hidden entries are left out and hidden directories
// are not entered; symbolic links to directories are not
// followed, and a directory reached twice (a bind mount) is read once. What
// cannot be read is skipped and counted, never fatal. The same tree always
// gives the same report. progress is called from the walking threads, now
// and then; the walk stops soon after cancel becomes true.
TreeWalkReport walkTree(const QString &root, const std::atomic<bool> &cancel,
                        const TreeWalkProgress &progress = TreeWalkProgress(), int threads = 0,
                        bool subdirectories = true, const NameFilter &filter = NameFilter());

} // namespace qn

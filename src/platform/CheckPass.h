#pragma once

#include "platform/TreeWalk.h"

#include <atomic>
#include <vector>

namespace qn {

// What the disk holds for one file a list names.
struct FoundFile {
    enum Kind : unsigned char { Present, Missing, Unreadable } kind = Missing;
    FileStamp stamp;
    bool contentDiffers = false; // its digest is not the one recorded
};

// One directory of a list to be checked: the names the list holds there,
// and what the check found.
struct DirectoryCheck {
    QString path; // ends in the separator
    std::vector<QString> names = {};
    std::vector<QByteArray> digests = {}; // the recorded SHA-256 of each name, or empty; none at all is fine
    std::vector<FoundFile> found = {};    // one for each name
    std::vector<WalkedFile> added = {};   // ordinary files there the list does not name, in listing order
};

// Checks every directory on up to `threads` threads (0: one for each core):
// each named file's stamp, read relative to its open directory, and the
// ordinary files (not hidden) the list does not hold. A file with a recorded
// digest and its recorded size is read again and its digest compared. A directory that is
// gone makes its files Missing; one that cannot be read, Unreadable.
// progress is called now and then with the files checked so far; the pass
// stops soon after cancel becomes true.
void checkDirectories(std::vector<DirectoryCheck> &directories, const std::atomic<bool> &cancel,
                      const TreeWalkProgress &progress = TreeWalkProgress(), int threads = 0);

} // namespace qn

#pragma once

#include "platform/TreeWalk.h"

#include <atomic>
#include <vector>

namespace qn {

// What the disk holds for one file a list names. A check counts Missing and
// NotAFile as missing, and so one no pass has looked at.
struct FoundFile {
    enum Kind : unsigned char {
        NotLooked,  // no pass has looked for it (yet)
        Present,    // an ordinary file, with its stamp
        Missing,    // nothing by that name
        NotAFile,   // something by that name, but no ordinary file (a directory, a pipe)
        Unreadable, // its directory or the file cannot be read
    } kind = NotLooked;
    FileStamp stamp;
    bool contentDiffers = false; // its digest is not the one recorded
};

// One directory of a list to be checked: the names the list holds there,
// what it recorded for them, and what the check found.
struct DirectoryCheck {
    QString path; // ends in the separator
    std::vector<QString> names = {};
    std::vector<QByteArray> digests = {}; // the recorded SHA-256 of each name, or empty; none at all is fine
    std::vector<qint64> sizes = {};       // the recorded size, beside each digest
    std::vector<FoundFile> found = {};    // one for each name
    std::vector<char> known = {};         // 1 where found was already taken from a walk
};

// Reads the stamp of every name of every directory not yet known, relative
// to its open directory (however deep), on up to `threads` threads (0: one
// for each core). A directory that is gone makes its files Missing; one that
// cannot be read, Unreadable. progress is called now and then with the files
// checked so far; the pass stops soon after cancel becomes true.
void checkDirectories(std::vector<DirectoryCheck> &directories, const std::atomic<bool> &cancel,
                      const TreeWalkProgress &progress = TreeWalkProgress(), int threads = 0);

// One file whose content is compared with its recorded digest: directory
// and name in `directories`.
struct ContentItem {
    quint32 directory;
    quint32 name;
};

// Reads each item's file again and sets its contentDiffers (or makes it
// Unreadable), the files spread over `threads` threads (0: one for each
// core), each file opened relative to its directory without blocking, and
// only when it is an ordinary file.
void compareContents(std::vector<DirectoryCheck> &directories, const std::vector<ContentItem> &items,
                     const std::atomic<bool> &cancel, const TreeWalkProgress &progress = TreeWalkProgress(),
                     int threads = 0);

} // namespace qn

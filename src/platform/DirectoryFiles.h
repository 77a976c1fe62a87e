#pragma once

#include "platform/FileSystem.h"

#include <QString>

#include <vector>

namespace qn {

// Files on their way into a list, from a walk or from a list read back: a
// file's name and stamp,
struct WalkedFile {
    QString name;
    FileStamp stamp;
};

// and one directory's files in order (a walk's listing order, a file's row
// order). Every file of it shares the one directory string.
struct WalkedDirectory {
    QString path; // ends in the separator
    std::vector<WalkedFile> files;
};

} // namespace qn

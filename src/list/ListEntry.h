#pragma once

#include <QString>

namespace qn {

// One file of the list. Size and time are snapshots taken when it was added.
struct ListEntry {
    QString FileName;   // without directory
    qint64 Size = 0;    // bytes
    qint64 Modified = 0; // seconds since the epoch; shown through DateText()
    QString Directory;  // always ends in the directory separator
};

} // namespace qn

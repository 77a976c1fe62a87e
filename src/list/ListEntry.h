#pragma once

#include <QByteArray>
#include <QString>

namespace qn {

// What a check of the list found for an entry; None before any check.
enum class CheckState : quint8 { None, Same, Changed, Missing, New, Unreadable, ContentChanged };

// One file of the list. Size and time are snapshots taken when it was added
// or read back; a check never changes them (what it found stands beside
// them), only applying its result does.
struct ListEntry {
    QString FileName;   // without directory
    qint64 Size = 0;    // bytes
    qint64 Modified = 0; // seconds since the epoch; shown through DateText()
    QString Directory;  // always ends in the directory separator
    CheckState State = CheckState::None;
    // The time was recorded to the minute (a spreadsheet's "H:mm"): it
    // matches any time within that minute and is written without seconds.
    bool MinuteOnly = false;
    QByteArray Sha256 = QByteArray(); // the content's digest, 32 bytes; empty until computed
};

// A folder a directory add (alone) or a tree add (with its subdirectories)
// took files from: the list's scope for a check.
struct ScopeFolder {
    QString path; // ends in the separator
    bool subdirectories = false;
};

} // namespace qn

#pragma once

#include <QByteArray>
#include <QString>

namespace qn {

class EntryTable;

// A manifest in the format of GNU coreutils' sha256sum: for each entry with a
// digest, in list order, "<64 hex digits>  <path>" and LF. The path is in the
// bytes the file system has for it (on Linux exactly those, UTF-8 or not; on
// Windows UTF-8), relative to `directory` (where the manifest is saved, or
// the current directory) when the entry lies below it, absolute otherwise. A
// name holding a backslash, a line break or a carriage return is written as
// sha256sum writes it: the line starts with "\" and those characters are
// escaped ("\\", "\n", "\r"), so `sha256sum -c` reads it back. The file at
// `leaveOut` (the manifest itself) is never listed: its digest is stale the
// moment the manifest is written. *withoutDigest gets how many other entries
// had no digest and were left out.
QByteArray Sha256SumsText(const EntryTable &table, const QString &directory, const QString &leaveOut = QString(),
                          qint64 *withoutDigest = nullptr);

// The directory every entry with a digest lies below (ends in the
// separator); empty when none has a digest.
QString commonDirectoryOfDigests(const EntryTable &table);

} // namespace qn

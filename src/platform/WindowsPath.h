#pragma once

// Windows only: what the platform files share.
#include <QString>

#include <string>
#include <windows.h>

namespace qn {

// A path for the wide Win32 calls, with "\" separators; one that is long
// (near or past MAX_PATH) in the "\\?\" form, which takes it whole.
std::wstring win32Path(const QString &path);

// A file time as seconds since the Unix epoch.
qint64 unixSecondsOf(const FILETIME &time);

// The size and time of what path leads to, symbolic links followed (as
// the walk and every other platform take a link to a file); false for a
// directory or a link that leads nowhere.
bool targetStamp(const QString &path, qint64 &size, qint64 &modified);

} // namespace qn

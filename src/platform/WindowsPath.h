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

} // namespace qn

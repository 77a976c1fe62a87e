#pragma once

#ifdef _WIN32
#include <windows.h>
#endif

namespace qn {

// Which entries of a directory a listing leaves out, the same for the
// scanner, the walk and the list of subdirectories: "." and ".." always, a
// hidden entry unless the filter takes hidden ones. Hidden is a name that
// starts with a dot on Linux, the hidden or the system attribute on Windows.

template <class Char>
bool isDotOrDotDot(const Char *name)
{
    return name[0] == Char('.') && (name[1] == 0 || (name[1] == Char('.') && name[2] == 0));
}

#ifdef _WIN32
inline bool listingLeavesOut(const wchar_t *name, DWORD attributes, bool takesHidden)
{
    return isDotOrDotDot(name) || (!takesHidden && (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)));
}
#else
inline bool listingLeavesOut(const char *name, bool takesHidden)
{
    return name[0] == '.' && (!takesHidden || isDotOrDotDot(name));
}
#endif

} // namespace qn

#pragma once

#include "platform/CheckPass.h"

#include <QByteArray>

#include <atomic>
#include <vector>

namespace qn {

// What each platform gives the content comparison (CheckPass.cpp).

// The digest of a listed file, read through buffer; false when it cannot be
// read whole, is no ordinary file (a pipe or a device is never waited on),
// or cancel becomes true on the way.
bool digestOfListedFile(const DirectoryCheck &d, const QString &name, QByteArray &digest, std::vector<char> &buffer,
                        const std::atomic<bool> &cancel);

// How many threads the comparison reads on, of the `threads` asked for.
int contentThreads(int threads);

} // namespace qn

#pragma once

#include <QByteArray>
#include <QString>

namespace qn {

// Writes bytes through a QSaveFile: the target is replaced only when every
// byte has been written, reached the disk and been committed; otherwise it
// stays as it was, byte for byte, and no temporary file is left behind.
// A directory that takes no new file but holds a writable target gets the
// file rewritten in place, where it ends up all new or all old.
bool saveBytes(const QString &path, const QByteArray &bytes);

} // namespace qn

#pragma once

#include <QByteArray>
#include <QSaveFile>

namespace qn {

// Writes bytes through a QSaveFile: the target is replaced only when every
// byte is written and committed, otherwise it stays as it was.
bool saveBytes(QSaveFile &file, const QByteArray &bytes);
bool saveBytes(const QString &path, const QByteArray &bytes);

} // namespace qn

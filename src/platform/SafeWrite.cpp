#include "platform/SafeWrite.h"

#include "platform/FileSystem.h"

#include <QSaveFile>

namespace qn {

namespace {

// Unbuffered, so a write error (a full disk, a size limit) is reported by the
// write that meets it; a buffered QSaveFile loses an error that only shows at
// its last flush and commits the truncated file.
bool writeAll(QSaveFile &file, const QByteArray &bytes)
{
    const char *data = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const qint64 written = file.write(data, left);
        if (written <= 0)
            return false;
        data += written;
        left -= written;
    }
    return file.error() == QFileDevice::NoError && syncFile(file.handle());
}

} // namespace

bool saveBytes(const QString &path, const QByteArray &bytes)
{
    if (path.contains(QChar(0)))
        return false;
    QSaveFile file(path);
    // Qt writes in place only when the temporary file is refused for lack of
    // permission, never after a full disk.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    if (!writeAll(file, bytes)) {
        file.cancelWriting();
        file.commit(); // removes the temporary file
        return false;
    }
    return file.commit();
}

} // namespace qn

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
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        // A directory that takes no new file, holding a file we may write:
        // only an in-place rewrite can save there. Qt's own direct-write
        // fallback truncates the old file first, so a full disk loses it.
        const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
        const QString directory = slash < 0 ? QStringLiteral(".") : path.left(slash + 1);
        return !canCreateFilesIn(directory) && isRegularFile(path) && rewriteInPlace(path, bytes);
    }
    if (!writeAll(file, bytes)) {
        file.cancelWriting();
        file.commit(); // removes the temporary file
        return false;
    }
    return file.commit();
}

} // namespace qn

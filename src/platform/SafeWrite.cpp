#include "platform/SafeWrite.h"

namespace qn {

bool saveBytes(QSaveFile &file, const QByteArray &bytes)
{
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        file.commit();
        return false;
    }
    return file.commit();
}

bool saveBytes(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    return saveBytes(file, bytes);
}

} // namespace qn

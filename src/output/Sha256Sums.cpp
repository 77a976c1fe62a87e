#include "output/Sha256Sums.h"

#include "list/EntryTable.h"
#include "platform/Digest.h"
#include "platform/FileSystem.h"

namespace qn {

QByteArray Sha256SumsText(const EntryTable &table, const QString &directory, const QString &leaveOut,
                          qint64 *withoutDigest)
{
    if (withoutDigest)
        *withoutDigest = 0;
    QString base = directory;
    if (!base.isEmpty() && !base.endsWith(QLatin1Char('/')))
        base += QLatin1Char('/');
    QByteArray out;
    for (int i = 1; i <= table.EntryCount(); ++i) {
        const ListEntry &e = table.at(i);
        QString path = e.Directory + e.FileName;
        if (!leaveOut.isEmpty() && isSamePath(path, leaveOut))
            continue;
        if (e.Sha256.isEmpty()) {
            if (withoutDigest)
                ++*withoutDigest;
            continue;
        }
        if (!base.isEmpty() && path.startsWith(base))
            path = path.mid(base.size());
        // The bytes of the name as the file system has them.
        QByteArray name = encodeName(nativePath(path));
        const bool escaped = name.contains('\\') || name.contains('\n') || name.contains('\r');
        if (escaped) {
            name.replace("\\", "\\\\");
            name.replace("\n", "\\n");
            name.replace("\r", "\\r");
            out += '\\';
        }
        out += digestHex(e.Sha256);
        out += "  ";
        out += name;
        out += '\n';
    }
    return out;
}

QString commonDirectoryOfDigests(const EntryTable &table)
{
    QString common;
    bool any = false;
    for (int i = 1; i <= table.EntryCount(); ++i) {
        const ListEntry &e = table.at(i);
        if (e.Sha256.isEmpty())
            continue;
        if (!any) {
            common = e.Directory;
            any = true;
            continue;
        }
        while (!e.Directory.startsWith(common)) {
            // Up one directory: back to the separator before the last one.
            const qsizetype cut = common.lastIndexOf(QLatin1Char('/'), common.size() - 2);
            if (cut < 0)
                return QStringLiteral("/");
            common.truncate(cut + 1);
        }
    }
    return common;
}

} // namespace qn

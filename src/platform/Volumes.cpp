#include "platform/Volumes.h"

#include "platform/FileSystem.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

#include <algorithm>

#ifdef Q_OS_WIN
#include "platform/WindowsPath.h"
#endif

namespace qn {

namespace {

QString rootWithSeparator(QString root)
{
    root = QDir::fromNativeSeparators(root);
    if (!root.endsWith(QLatin1Char('/')))
        root += QLatin1Char('/');
    return root;
}

Volume describe(const QStorageInfo &info)
{
    Volume v;
    v.root = rootWithSeparator(info.rootPath());
#ifdef Q_OS_WIN
    v.designation = v.root.left(2).toLower();
#else
    // The mount path as a file manager names it: no trailing "/" but at the root.
    v.designation = v.root.size() > 1 ? v.root.chopped(1) : v.root;
#endif
    const QString label = info.name();
    if (!label.isEmpty())
        v.designation += QStringLiteral(" [") + label + QLatin1Char(']');
    return v;
}

// Mounts a file manager does not offer as places to browse.
bool isSystemMount(const QStorageInfo &info)
{
    static const char *const prefixes[] = {"/proc", "/sys", "/dev", "/run", "/snap", "/boot/efi"};
    const QString root = info.rootPath();
    for (const char *p : prefixes) {
        const QString prefix = QLatin1String(p);
        if (root == prefix || root.startsWith(prefix + QLatin1Char('/')))
            return true;
    }
    static const char *const types[] = {"proc", "sysfs", "devtmpfs", "devpts", "cgroup", "cgroup2",
                                        "securityfs", "debugfs", "tracefs", "pstore", "bpf",
                                        "mqueue", "hugetlbfs", "configfs", "fusectl", "autofs",
                                        "binfmt_misc", "squashfs", "nsfs"};
    const QByteArray type = info.fileSystemType();
    for (const char *t : types) {
        if (type == t)
            return true;
    }
    return false;
}

} // namespace

QList<Volume> mountedVolumes()
{
    QList<Volume> volumes;
    for (const QStorageInfo &info : QStorageInfo::mountedVolumes()) {
        if (!info.isValid() || isSystemMount(info))
            continue;
        const Volume v = describe(info);
        bool seen = false;
        for (const Volume &known : volumes)
            seen = seen || known.root == v.root;
        if (!seen)
            volumes.append(v);
    }
    std::sort(volumes.begin(), volumes.end(), [](const Volume &a, const Volume &b) { return a.root < b.root; });
    return volumes;
}

Volume volumeOf(const QString &path)
{
    QStorageInfo info(path);
    if (!info.isValid())
        return Volume{QStringLiteral("/"), QStringLiteral("/")};
    return describe(info);
}

QString rootOfDesignation(const QString &designation)
{
    const qsizetype bracket = designation.indexOf(QStringLiteral(" ["));
    QString root = bracket >= 0 ? designation.left(bracket) : designation;
    if (root.isEmpty())
        return root;
    return rootWithSeparator(root);
}

bool sameVolumeRoot(const QString &a, const QString &b)
{
#ifdef Q_OS_WIN
    return a.compare(b, Qt::CaseInsensitive) == 0;
#else
    return a == b;
#endif
}

bool isVolumeUsable(const QString &root)
{
    bool ok = false;
    if (isDirectory(root))
        subdirectories(root, &ok);
    return ok;
}

QString volumeSerial(const QString &path)
{
#ifdef Q_OS_WIN
    const std::wstring native = win32Path(path);
    std::wstring root(std::max<size_t>(native.size() + 2, MAX_PATH + 1), L'\0');
    if (!GetVolumePathNameW(native.c_str(), root.data(), DWORD(root.size())))
        return QString();
    DWORD serial = 0;
    if (!GetVolumeInformationW(root.c_str(), nullptr, 0, &serial, nullptr, nullptr, nullptr, 0))
        return QString();
    return QStringLiteral("%1-%2")
        .arg(serial >> 16, 4, 16, QLatin1Char('0'))
        .arg(serial & 0xFFFF, 4, 16, QLatin1Char('0'))
        .toUpper();
#else
    // udev names every file system it knows by its UUID.
    const QByteArray device = QStorageInfo(path).device();
    if (!device.startsWith("/dev/"))
        return QString();
    const QString node = QFileInfo(QString::fromLocal8Bit(device)).canonicalFilePath();
    const QDir byUuid(QStringLiteral("/dev/disk/by-uuid"));
    for (const QFileInfo &link : byUuid.entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot)) {
        if (!node.isEmpty() && link.canonicalFilePath() == node)
            return link.fileName();
    }
    return QString();
#endif
}

} // namespace qn

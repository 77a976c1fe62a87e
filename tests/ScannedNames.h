#pragma once

#include "platform/FileSystem.h"

#include <QStringList>

namespace qn::test {

// The names a directory scan with filter gives, sorted.
inline QStringList scannedNames(const QString &dir, const NameFilter &filter = NameFilter())
{
    DirScanner scan(dir, filter);
    QStringList names;
    QString name;
    while (scan.next(name))
        names.append(name);
    names.sort();
    return names;
}

} // namespace qn::test

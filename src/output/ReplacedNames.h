#pragma once

#include <QString>
#include <QStringList>

namespace qn {

// The names a file could not hold as they are (written with "?" or U+FFFD
// in place of some characters): how many, and the first few as they really
// are, for the message that says so.
struct ReplacedNames {
    static constexpr int Kept = 5;
    qint64 count = 0;
    QStringList first;

    void add(const QString &shownName)
    {
        if (first.size() < Kept)
            first.append(shownName);
        ++count;
    }
};

} // namespace qn

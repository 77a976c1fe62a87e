#pragma once

#include <QString>
#include <QStringList>

namespace qn {

// The names a file could not hold as they are (written with "?" or U+FFFD
// in place of some characters): how many, and the first few as they really
// are and as the file has them, for the message that says so.
struct ReplacedNames {
    static constexpr int Kept = 5;
    qint64 count = 0;
    QStringList first;   // as they are
    QStringList written; // the same, as the file has them

    // Whether the next name added is kept: what it costs to work out how it
    // was written need only be spent then.
    bool keepsNext() const { return first.size() < Kept; }
    void add(const QString &shownName, const QString &writtenName)
    {
        if (keepsNext()) {
            first.append(shownName);
            written.append(writtenName);
        }
        ++count;
    }
};

} // namespace qn

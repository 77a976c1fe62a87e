#include "list/DirectoryAdd.h"

#include "list/EntryTable.h"
#include "platform/FileSystem.h"

#include <vector>

namespace qn {

bool AppendDirectory(EntryTable &table, const QString &directory, DirScanner &scan,
                     const std::function<void()> &step)
{
    // Names first, then the stamps of the new ones in one batch, then the
    // entries in listing order.
    std::vector<QString> names;
    QString name;
    bool anyName = false;
    while (scan.next(name)) {
        anyName = true;
        step();
        if (table.IsNewEntry(directory, name)) {
            names.push_back(name);
            scan.keepName();
        }
    }

    std::vector<FileStamp> stamps;
    std::vector<char> ok;
    scan.readStamps(stamps, ok);
    table.reserve(directory, int(names.size()));
    for (size_t i = 0; i < names.size(); ++i) {
        const auto result = table.AppendEntry(directory, names[i], [&](FileStamp &s) {
            s = stamps[i];
            return ok[i] != 0;
        });
        if (result == AppendResult::Failed)
            return false;
    }
    return anyName && !scan.failed();
}

} // namespace qn

#include "list/DirectoryAdd.h"

#include "list/EntryTable.h"
#include "platform/FileSystem.h"
#include "platform/TreeWalk.h"

#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace qn {

bool AppendDirectory(EntryTable &table, const QString &directory, DirScanner &scan,
                     const std::function<void()> &step)
{
    // The new names enter the table as they are listed, the stamps of all of
    // them follow in one batch, and a file that could not be read ends the
    // add there: nothing is held beside the table but the names' bytes.
    const int first = table.EntryCount() + 1;
    QString name;
    bool anyName = false;
    while (scan.next(name)) {
        anyName = true;
        step();
        if (table.AppendUnstamped(directory, name))
            scan.keepName();
    }
    std::vector<char> ok(size_t(table.EntryCount() - first + 1), 0);
    scan.readStamps([&](size_t i, const FileStamp *stamp) {
        if (stamp) {
            table.SetStamp(first + int(i), *stamp);
            ok[i] = 1;
        }
    });
    const bool allKept = table.CommitStamps(first, ok);
    return allKept && anyName && !scan.failed();
}

namespace {

// The walk's names were made on its threads, in their own heaps: freeing
// them keeps their pages until they are handed back, and until then the
// walk's names and the table's copies of them would be held at once.
void returnFreedMemory()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

} // namespace

void AppendTree(EntryTable &table, TreeWalkReport &report, bool returnNames)
{
    constexpr size_t ReturnEvery = 100000; // files
    table.reserve(report.fileCount);
    std::vector<size_t> refused;
    size_t freed = 0;
    for (WalkedDirectory &dir : report.directories) {
        refused.clear();
        table.AppendWalked(dir, refused);
        for (size_t i : refused)
            report.skipped.append(dir.path + dir.files[i].name);
        freed += dir.files.size();
        std::vector<WalkedFile>().swap(dir.files); // gives the memory back as it goes
        if (returnNames && freed >= ReturnEvery) {
            returnFreedMemory();
            freed = 0;
        }
    }
}

} // namespace qn

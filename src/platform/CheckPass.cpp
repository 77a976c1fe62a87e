#include "platform/CheckPass.h"

#include "platform/CheckPassPlatform.h"
#include "platform/Threads.h"

#include <mutex>

namespace qn {

void compareContents(std::vector<DirectoryCheck> &directories, const std::vector<ContentItem> &items,
                     const std::atomic<bool> &cancel, const TreeWalkProgress &progress, int threads)
{
    std::atomic<qint64> files{0};
    ReportClock clock;
    std::mutex reporting;
    forEachOnThreads(items.size(), contentThreads(threads), cancel, [&](size_t k) {
        thread_local std::vector<char> buffer;
        if (buffer.empty())
            buffer.resize(1 << 20);
        DirectoryCheck &d = directories[items[k].directory];
        const size_t i = items[k].name;
        QByteArray now;
        if (digestOfListedFile(d, d.names[i], now, buffer, cancel))
            d.found[i].contentDiffers = now != d.digests[i];
        else if (!cancel.load())
            d.found[i].kind = FoundFile::Unreadable;
        const qint64 done = files.fetch_add(1) + 1;
        if (progress && clock.due()) {
            std::lock_guard lock(reporting);
            progress(done, d.path);
        }
    });
}

} // namespace qn

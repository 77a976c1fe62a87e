#include "list/Hashing.h"

#include "list/EntryTable.h"
#include "platform/Digest.h"
#include "platform/Threads.h"

#include <chrono>
#include <functional>
#include <mutex>

namespace qn {

void PrepareHashJob(const EntryTable &table, HashJob &job, const std::vector<int> &only)
{
    const auto take = [&](int i) {
        job.entries.push_back(i);
        job.paths.append(table.at(i).Directory + table.at(i).FileName);
    };
    if (only.empty()) {
        for (int i = 1; i <= table.EntryCount(); ++i) {
            if (table.at(i).Sha256.isEmpty())
                take(i);
        }
    } else {
        for (int i : only)
            take(i);
    }
    job.digests.assign(job.entries.size(), QByteArray());
    job.unreadable.assign(job.entries.size(), 0);
}

void RunHashJob(HashJob &job, const std::atomic<bool> &cancel,
                const std::function<void(qint64 files, qint64 bytes)> &progress, int threads)
{
    const size_t count = size_t(threads > 0 ? threads : int(std::max(1u, std::thread::hardware_concurrency())));
    std::atomic<size_t> next{0};
    std::atomic<qint64> lastReport{0};
    std::mutex reporting;
    const auto work = [&] {
        std::vector<char> buffer(1 << 20);
        for (size_t i; !cancel.load(std::memory_order_relaxed) && (i = next.fetch_add(1)) < job.entries.size();) {
            QByteArray digest;
            if (sha256OfFile(job.paths[qsizetype(i)], digest, buffer, cancel, &job.bytesDone))
                job.digests[i] = digest;
            else if (!cancel.load())
                job.unreadable[i] = 1;
            const qint64 files = job.filesDone.fetch_add(1) + 1;
            if (!progress)
                continue;
            const qint64 now = std::chrono::steady_clock::now().time_since_epoch() / std::chrono::milliseconds(1);
            qint64 last = lastReport.load(std::memory_order_relaxed);
            if (now - last >= 50 && lastReport.compare_exchange_strong(last, now)) {
                std::lock_guard lock(reporting);
                progress(files, job.bytesDone.load());
            }
        }
    };
    std::vector<std::thread> helpers(count - 1);
    for (std::thread &t : helpers)
        startThread(t, work);
    work();
    for (std::thread &t : helpers) {
        if (t.joinable())
            t.join();
    }
}

QStringList ApplyHashJob(EntryTable &table, const HashJob &job)
{
    QStringList unreadable;
    for (size_t k = 0; k < job.entries.size(); ++k) {
        if (!job.digests[k].isEmpty())
            table.SetDigest(job.entries[k], job.digests[k]);
        else if (job.unreadable[k])
            unreadable.append(job.paths[qsizetype(k)]);
    }
    return unreadable;
}

} // namespace qn

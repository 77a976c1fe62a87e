#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

namespace qn {

class EntryTable;

// The digests to compute for some entries of a list. Prepared on the
// window's thread; run on worker threads over what it owns; its digests go
// back into the list on the window's thread, those of a cancelled run too.
// Once they have been taken, a worker still running (left behind by a
// cancel, in the middle of a file) writes nothing more.
struct HashJob {
    std::vector<int> entries;        // list entries
    QStringList paths;               // their files
    std::vector<QByteArray> digests; // one for each; empty when not (yet) computed
    std::vector<char> unreadable;    // 1 for each file that could not be read
    std::atomic<qint64> filesDone{0};
    std::atomic<qint64> bytesDone{0};
    std::mutex results;  // guards digests, unreadable and taken
    bool taken = false;  // ApplyHashJob has read the results
};

// Entries without a digest, or those given.
void PrepareHashJob(const EntryTable &table, HashJob &job, const std::vector<int> &only = {});
// Reads the files on `threads` threads (0: one for each core), one file
// each at a time in a fixed 256 KiB buffer; a file still being read when
// cancel becomes true gets no digest. progress(files, bytes) now and then.
void RunHashJob(HashJob &job, const std::atomic<bool> &cancel,
                const std::function<void(qint64 files, qint64 bytes)> &progress = {}, int threads = 0);
// The digests computed into the list; the paths that could not be read.
// The job's results are closed from then on.
QStringList ApplyHashJob(EntryTable &table, HashJob &job);

} // namespace qn

#pragma once

#include <QtGlobal>

#include <atomic>
#include <functional>
#include <thread>

namespace qn {

// Starts f on a thread of its own. False, with nothing started, when the
// system has no thread to give (a process or thread limit): the caller then
// does the work itself, on fewer threads.
bool startThread(std::thread &thread, std::function<void()> f);

// Runs item(i) once for every i below count, on `threads` threads (0: one
// for each core, the calling one among them), each thread taking the next i
// when it is done with one; no new i is taken once cancel is true.
void forEachOnThreads(size_t count, int threads, const std::atomic<bool> &cancel,
                      const std::function<void(size_t)> &item);

// Says yes at most once every 50 ms, to whichever thread asks first: for
// progress reports that must not flood the window.
class ReportClock {
public:
    bool due();

private:
    std::atomic<qint64> m_last{0};
};

// For tests: every start first asks hook, and is refused when it says false.
// An empty hook allows every start.
void setThreadStartHook(std::function<bool()> hook);

} // namespace qn

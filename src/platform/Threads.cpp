#include "platform/Threads.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <vector>
#include <system_error>

namespace qn {

namespace {

std::mutex hookMutex;
std::function<bool()> startHook;

bool allowed()
{
    std::lock_guard lock(hookMutex);
    return !startHook || startHook();
}

} // namespace

bool startThread(std::thread &thread, std::function<void()> f)
{
    if (!allowed())
        return false;
    try {
        thread = std::thread(std::move(f));
        return true;
    } catch (const std::system_error &) {
        return false; // EAGAIN: no thread to be had
    }
}

void forEachOnThreads(size_t count, int threads, const std::atomic<bool> &cancel,
                      const std::function<void(size_t)> &item)
{
    const size_t workers = size_t(threads > 0 ? threads : int(std::max(1u, std::thread::hardware_concurrency())));
    std::atomic<size_t> next{0};
    const auto work = [&] {
        for (size_t i; !cancel.load(std::memory_order_relaxed) && (i = next.fetch_add(1)) < count;)
            item(i);
    };
    std::vector<std::thread> helpers(std::min(workers, std::max<size_t>(count, 1)) - 1);
    for (std::thread &t : helpers)
        startThread(t, work);
    work();
    for (std::thread &t : helpers) {
        if (t.joinable())
            t.join();
    }
}

bool ReportClock::due()
{
    const qint64 now = std::chrono::steady_clock::now().time_since_epoch() / std::chrono::milliseconds(1);
    qint64 last = m_last.load(std::memory_order_relaxed);
    return now - last >= 50 && m_last.compare_exchange_strong(last, now);
}

void setThreadStartHook(std::function<bool()> hook)
{
    std::lock_guard lock(hookMutex);
    startHook = std::move(hook);
}

} // namespace qn

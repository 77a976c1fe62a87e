#include "platform/Threads.h"

#include <mutex>
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

void setThreadStartHook(std::function<bool()> hook)
{
    std::lock_guard lock(hookMutex);
    startHook = std::move(hook);
}

} // namespace qn

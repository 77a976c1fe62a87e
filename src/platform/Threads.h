#pragma once

#include <functional>
#include <thread>

namespace qn {

// Starts f on a thread of its own. False, with nothing started, when the
// system has no thread to give (a process or thread limit): the caller then
// does the work itself, on fewer threads.
bool startThread(std::thread &thread, std::function<void()> f);

// For tests: every start first asks hook, and is refused when it says false.
// An empty hook allows every start.
void setThreadStartHook(std::function<bool()> hook);

} // namespace qn

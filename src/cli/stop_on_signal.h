#pragma once

#include <signal.h>

#include <functional>
#include <thread>

namespace nubexa::cli {

// SIGINT and SIGTERM for a command that runs until stopped. blockStopSignals() first, before
// any thread exists, so that every thread inherits the mask and only the watcher receives them.
sigset_t blockStopSignals();

// While it lives, each SIGINT or SIGTERM calls `stop` on the watcher's own thread.
class StopOnSignal {
public:
    StopOnSignal(const sigset_t& awaited, std::function<void()> stop);
    ~StopOnSignal();
    StopOnSignal(const StopOnSignal&) = delete;
    StopOnSignal& operator=(const StopOnSignal&) = delete;

private:
    std::thread m_thread;
};

}  // namespace nubexa::cli

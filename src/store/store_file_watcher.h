#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "platform/inotify_channel.h"

namespace nubexa {

// Says when a database file is written, by this process or any other: watches the folder that
// holds it (SQLite makes its -wal and -journal anew beside it) through inotify, and calls
// `changed` on its own thread after a write to the file or to either of those. Calls come at
// most one per `interval`: writes while one is due make that one call. A write is seen as it
// is made, which may be just before its commit shows to readers.
//
// Any thread creates and destroys it; the destructor waits for a call in flight and joins.
class StoreFileWatcher {
public:
    StoreFileWatcher(const std::string& databasePath, std::function<void()> changed,
                     std::chrono::milliseconds interval);
    ~StoreFileWatcher();
    StoreFileWatcher(const StoreFileWatcher&) = delete;
    StoreFileWatcher& operator=(const StoreFileWatcher&) = delete;

    // False when the folder cannot be watched (no inotify, out of watches): nobody is called.
    bool ok() const { return m_thread.joinable(); }
    // A write was seen whose call is still to come (held back by the interval). Any thread.
    bool callDue() const { return m_due.load(); }

private:
    void loop();
    // Whether the kernel's queued events name the database's files.
    bool readEvents();

    const std::string m_name;  // the database's file name, without its folder
    const std::function<void()> m_changed;
    const std::chrono::milliseconds m_interval;
    InotifyChannel m_channel;  // the destructor wakes the loop
    std::mutex m_mutex;
    bool m_stop = false;  // guarded by m_mutex
    std::atomic<bool> m_due{false};
    std::thread m_thread;
};

}  // namespace nubexa

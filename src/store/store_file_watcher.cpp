#include "store/store_file_watcher.h"

#include <sys/inotify.h>

#include <cstdint>
#include <string_view>
#include <utility>

namespace nubexa {

namespace {

// A rename over the file or a file made anew counts as a write; reads and opens do not.
constexpr std::uint32_t kMask =
    IN_MODIFY | IN_CREATE | IN_DELETE | IN_MOVED_TO | IN_MOVED_FROM | IN_ONLYDIR;

}  // namespace

StoreFileWatcher::StoreFileWatcher(const std::string& databasePath, std::function<void()> changed,
                                   std::chrono::milliseconds interval)
    : m_name(databasePath.substr(databasePath.find_last_of('/') + 1)),
      m_changed(std::move(changed)),
      m_interval(interval) {
    const std::size_t slash = databasePath.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string(".")
                               : slash == 0               ? std::string("/")
                                                          : databasePath.substr(0, slash);
    if (m_name.empty())
        return;
    if (!m_channel.ok() || ::inotify_add_watch(m_channel.watchFd(), folder.c_str(), kMask) < 0)
        return;
    m_thread = std::thread([this] { loop(); });
}

StoreFileWatcher::~StoreFileWatcher() {
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_channel.wake();
    if (m_thread.joinable())
        m_thread.join();
}

bool StoreFileWatcher::readEvents() {
    bool named = false;
    m_channel.readEvents([&](const inotify_event& event) {
        // Events were dropped: any of them may have been a write.
        if ((event.mask & IN_Q_OVERFLOW) != 0) {
            named = true;
            return;
        }
        const std::string_view name = event.len > 0 ? event.name : "";
        if (name == m_name ||
            (name.size() > m_name.size() && name.starts_with(m_name) &&
             (name.substr(m_name.size()) == "-wal" || name.substr(m_name.size()) == "-journal")))
            named = true;
    });
    return named;
}

void StoreFileWatcher::loop() {
    using Clock = std::chrono::steady_clock;
    Clock::time_point lastCall = Clock::now() - m_interval;
    for (;;) {
        {
            const std::lock_guard lock(m_mutex);
            if (m_stop)
                return;
        }
        int timeout = -1;
        if (m_due.load()) {
            const auto wait = lastCall + m_interval - Clock::now();
            if (wait <= Clock::duration::zero()) {
                m_due.store(false);
                lastCall = Clock::now();
                m_changed();
                continue;
            }
            timeout = static_cast<int>(
                std::chrono::duration_cast<std::chrono::milliseconds>(wait).count() + 1);
        }
        if (m_channel.wait(timeout) && readEvents())
            m_due.store(true);
    }
}

}  // namespace nubexa

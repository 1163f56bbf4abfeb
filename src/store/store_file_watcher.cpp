#include "store/store_file_watcher.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

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
    m_inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    m_wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m_inotify < 0 || m_wakeFd < 0 || ::inotify_add_watch(m_inotify, folder.c_str(), kMask) < 0)
        return;
    m_thread = std::thread([this] { loop(); });
}

StoreFileWatcher::~StoreFileWatcher() {
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    if (m_wakeFd >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(m_wakeFd, &one, sizeof one);
    }
    if (m_thread.joinable())
        m_thread.join();
    if (m_inotify >= 0)
        ::close(m_inotify);
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

bool StoreFileWatcher::readEvents() {
    alignas(inotify_event) char buffer[8 * 1024];
    bool named = false;
    for (;;) {
        const ssize_t length = ::read(m_inotify, buffer, sizeof buffer);
        if (length <= 0)
            return named;
        for (ssize_t at = 0; at < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            // Events were dropped: any of them may have been a write.
            if ((event->mask & IN_Q_OVERFLOW) != 0) {
                named = true;
                continue;
            }
            const std::string_view name = event->len > 0 ? event->name : "";
            if (name == m_name || (name.size() > m_name.size() && name.starts_with(m_name) &&
                                   (name.substr(m_name.size()) == "-wal" ||
                                    name.substr(m_name.size()) == "-journal")))
                named = true;
        }
    }
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
        pollfd fds[2] = {{m_inotify, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
        if (::poll(fds, 2, timeout) < 0)
            continue;
        if ((fds[0].revents & POLLIN) != 0 && readEvents())
            m_due.store(true);
    }
}

}  // namespace nubexa

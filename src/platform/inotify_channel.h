#pragma once

#include <sys/inotify.h>

#include <functional>

namespace nubexa {

// An inotify instance and a way to wake the thread that waits on it: what a watcher's thread
// polls. Both closed with the object. Watches are added on watchFd().
class InotifyChannel {
public:
    InotifyChannel();
    ~InotifyChannel();
    InotifyChannel(const InotifyChannel&) = delete;
    InotifyChannel& operator=(const InotifyChannel&) = delete;

    bool ok() const { return m_inotify >= 0 && m_wakeFd >= 0; }
    int watchFd() const { return m_inotify; }

    // Any thread: the waiter returns from wait() at once.
    void wake();
    // Waits up to `timeoutMs` (-1: no limit) for events or a wake. True when events wait to be
    // read; a wake is taken here.
    bool wait(int timeoutMs);
    // Hands every event that waits to `each`, on the calling thread.
    void readEvents(const std::function<void(const inotify_event&)>& each);

private:
    int m_inotify = -1;
    int m_wakeFd = -1;  // eventfd
};

}  // namespace nubexa

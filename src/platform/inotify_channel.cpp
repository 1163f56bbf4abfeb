#include "platform/inotify_channel.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace nubexa {

InotifyChannel::InotifyChannel()
    : m_inotify(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)),
      m_wakeFd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

InotifyChannel::~InotifyChannel() {
    if (m_inotify >= 0)
        ::close(m_inotify);
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

void InotifyChannel::wake() {
    if (m_wakeFd < 0)
        return;
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(m_wakeFd, &one, sizeof one);
}

bool InotifyChannel::wait(int timeoutMs) {
    pollfd fds[2] = {{m_inotify, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
    if (::poll(fds, 2, timeoutMs) < 0)
        return false;
    if ((fds[1].revents & POLLIN) != 0) {
        std::uint64_t count = 0;
        [[maybe_unused]] const auto read = ::read(m_wakeFd, &count, sizeof count);
    }
    return (fds[0].revents & POLLIN) != 0;
}

void InotifyChannel::readEvents(const std::function<void(const inotify_event&)>& each) {
    alignas(inotify_event) char buffer[16 * 1024];
    for (;;) {
        const ssize_t length = ::read(m_inotify, buffer, sizeof buffer);
        if (length <= 0)
            return;
        for (ssize_t at = 0; at < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            each(*event);
        }
    }
}

}  // namespace nubexa

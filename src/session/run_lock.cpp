#include "session/run_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace nubexa {

RunLock::RunLock(const std::string& databasePath) {
    const std::string path = databasePath + ".run-lock";
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        m_noLockFile = true;
        return;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return;
    }
    m_fd = fd;
}

bool RunLock::heldElsewhere(const std::string& databasePath) {
    const std::string path = databasePath + ".run-lock";
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;  // no run has ever locked it
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0;
    ::close(fd);
    return held;
}

RunLock::~RunLock() {
    if (m_fd >= 0)
        ::close(m_fd);
}

}  // namespace nubexa

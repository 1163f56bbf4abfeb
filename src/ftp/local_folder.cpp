#include "ftp/local_folder.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace nubexa {

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// -1 with errno ENOSYS when the kernel (or a sandbox) has no openat2.
int openBeneathByKernel(int root, const std::string& below) {
#ifdef SYS_openat2
    open_how how{};
    how.flags = kFolderFlags;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
    const long result = ::syscall(SYS_openat2, root, below.c_str(), &how, sizeof how);
    return static_cast<int>(result);
#else
    (void)root;
    (void)below;
    errno = ENOSYS;
    return -1;
#endif
}

int openComponentByComponent(int root, const std::string& below) {
    if (!below.empty() && below.front() == '/') {
        errno = EXDEV;
        return -1;
    }
    int current = ::dup(root);
    std::size_t start = 0;
    while (current >= 0 && start < below.size()) {
        const auto end = below.find('/', start);
        const std::string part = below.substr(start, end - start);
        start = end == std::string::npos ? below.size() : end + 1;
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            ::close(current);
            errno = EXDEV;
            return -1;
        }
        const int next = ::openat(current, part.c_str(), kFolderFlags | O_NOFOLLOW);
        ::close(current);
        current = next;
    }
    return current;
}

}  // namespace

bool LocalFolder::open(const std::string& root, const std::string& below, Walk walk) {
    close();
    const int rootDescriptor = ::open(root.c_str(), kFolderFlags);
    if (rootDescriptor < 0)
        return false;
    int folder = -1;
    if (below.empty()) {
        folder = rootDescriptor;
    } else {
        if (walk == Walk::kAuto) {
            folder = openBeneathByKernel(rootDescriptor, below);
            // ENOSYS: an older kernel; EPERM: a seccomp filter that forbids the call.
            if (folder < 0 && (errno == ENOSYS || errno == EPERM))
                walk = Walk::kComponentByComponent;
        }
        if (walk == Walk::kComponentByComponent)
            folder = openComponentByComponent(rootDescriptor, below);
        const int why = errno;
        ::close(rootDescriptor);
        errno = why;
    }
    if (folder < 0) {
        const int why = errno;
        if (why == ELOOP || why == EXDEV || why == ENOTDIR)
            std::fprintf(stderr, "a link or other non-folder below %s on the way to %s: refused\n",
                         root.c_str(), below.c_str());
        errno = why;
        return false;
    }
    m_descriptor = folder;
    return true;
}

void LocalFolder::close() {
    if (m_descriptor >= 0)
        ::close(m_descriptor);
    m_descriptor = -1;
}

LocalFolder::Entry LocalFolder::entry(const std::string& name) const {
    struct stat info {};
    if (::fstatat(m_descriptor, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? Entry::kAbsent : Entry::kOther;
    return S_ISREG(info.st_mode) ? Entry::kFile : Entry::kOther;
}

std::optional<std::int64_t> LocalFolder::sizeOf(const std::string& name) const {
    struct stat info {};
    if (::fstatat(m_descriptor, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(info.st_mode))
        return std::nullopt;
    return static_cast<std::int64_t>(info.st_size);
}

bool LocalFolder::renameNoReplace(const std::string& from, const std::string& to) const {
    if (::renameat2(m_descriptor, from.c_str(), m_descriptor, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without the flag: a hard link fails just as well when the name is taken.
    if (::linkat(m_descriptor, from.c_str(), m_descriptor, to.c_str(), 0) != 0)
        return false;
    ::unlinkat(m_descriptor, from.c_str(), 0);
    return true;
}

bool LocalFolder::remove(const std::string& name) const {
    return ::unlinkat(m_descriptor, name.c_str(), 0) == 0;
}

}  // namespace nubexa

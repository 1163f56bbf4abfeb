#include "ftp/local_file.h"

#include <unistd.h>

#include <ace/FILE_Addr.h>
#include <ace/FILE_Connector.h>
#include <ace/OS_NS_fcntl.h>
#include <ace/OS_NS_unistd.h>

#include <fcntl.h>

#include <cerrno>

#include "ftp/local_folder.h"

namespace nubexa {

bool LocalFile::open(const std::string& path, int flags) {
    close();
    ACE_FILE_Connector connector;
    if (connector.connect(m_file, ACE_FILE_Addr(path.c_str()), nullptr, ACE_Addr::sap_any, 0, flags,
                          ACE_DEFAULT_FILE_PERMS) == -1) {
        return false;
    }
    m_open = true;
    return true;
}

int LocalFile::writingFlags(Creation creation) {
    int flags = O_RDWR | O_NOFOLLOW;
    if (creation == Creation::kNew)
        flags |= O_CREAT | O_EXCL;
    if (creation == Creation::kEither)
        flags |= O_CREAT;
    return flags;
}

bool LocalFile::openForWriting(const std::string& path, Creation creation) {
    return open(path, writingFlags(creation));
}

bool LocalFile::openForWriting(const LocalFolder& folder, const std::string& name,
                               Creation creation) {
    close();
    const int descriptor = ::openat(folder.descriptor(), name.c_str(),
                                    writingFlags(creation) | O_CLOEXEC, ACE_DEFAULT_FILE_PERMS);
    if (descriptor < 0)
        return false;
    m_file.set_handle(descriptor);
    m_open = true;
    return true;
}

bool LocalFile::openForReading(const std::string& path) {
    return open(path, O_RDONLY);
}

std::optional<std::int64_t> LocalFile::size() {
    ACE_FILE_Info info;
    if (!m_open || m_file.get_info(info) == -1)
        return std::nullopt;
    return static_cast<std::int64_t>(info.size_);
}

bool LocalFile::truncateAt(std::int64_t length) {
    if (!m_open || ACE_OS::ftruncate(m_file.get_handle(), static_cast<ACE_OFF_T>(length)) == -1)
        return false;
    return seekTo(length);
}

bool LocalFile::seekTo(std::int64_t offset) {
    return m_open &&
           m_file.seek(static_cast<ACE_OFF_T>(offset), SEEK_SET) == static_cast<ACE_OFF_T>(offset);
}

namespace {

// Repeats `piece(written)` (a write of what is left) until all of `size` went, the write fails
// or `open` is false; how many bytes went.
template <typename Piece>
std::size_t writeWhole(bool open, std::size_t size, Piece piece) {
    std::size_t written = 0;
    while (open && written < size) {
        const ssize_t n = piece(written);
        if (n > 0) {
            written += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            break;
        }
    }
    return written;
}

}  // namespace

std::size_t LocalFile::write(const char* data, std::size_t size) {
    return writeWhole(m_open, size,
                      [&](std::size_t done) { return m_file.send(data + done, size - done); });
}

std::size_t LocalFile::writeAt(const char* data, std::size_t size, std::int64_t offset) {
    return writeWhole(m_open, size, [&](std::size_t done) {
        return ::pwrite(m_file.get_handle(), data + done, size - done,
                        static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
    });
}

std::int64_t LocalFile::read(char* buffer, std::size_t size) {
    if (!m_open)
        return -1;
    for (;;) {
        const ssize_t n = m_file.recv(buffer, size);
        if (n < 0 && errno == EINTR)
            continue;
        return n;
    }
}

void LocalFile::close() {
    if (m_open) {
        m_file.close();
        m_open = false;
    }
}

}  // namespace nubexa

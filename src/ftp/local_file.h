#pragma once

#include <ace/FILE_IO.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace nubexa {

// The local file of one transfer, opened by its full path. Closed when the object ends.
class LocalFile {
public:
    LocalFile() = default;
    ~LocalFile() { close(); }
    LocalFile(const LocalFile&) = delete;
    LocalFile& operator=(const LocalFile&) = delete;

    // Read-write, created when absent, never cut by the open.
    bool openForWriting(const std::string& path);
    bool openForReading(const std::string& path);

    std::optional<std::int64_t> size();
    // Cuts (or keeps) the file at `length` and places the next write there.
    bool truncateAt(std::int64_t length);
    bool seekTo(std::int64_t offset);

    // Writes all of `size` bytes; returns how many reached the file (fewer when the disk is
    // full or the write failed).
    std::size_t write(const char* data, std::size_t size);
    // Bytes read; 0 at the end, -1 on error.
    std::int64_t read(char* buffer, std::size_t size);

    void close();

private:
    bool open(const std::string& path, int flags);

    ACE_FILE_IO m_file;
    bool m_open = false;
};

}  // namespace nubexa

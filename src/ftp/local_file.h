#pragma once

#include <ace/FILE_IO.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace nubexa {

class LocalFolder;

// The local file of one transfer, opened by its full path. Closed when the object ends.
class LocalFile {
public:
    LocalFile() = default;
    ~LocalFile() { close(); }
    LocalFile(const LocalFile&) = delete;
    LocalFile& operator=(const LocalFile&) = delete;

    // What a writer expects at the path. A link there is never followed: a link planted in a
    // download folder must not make the client write where it points.
    enum class Creation {
        kNew,       // created by this open; fails when anything (a link too) is there
        kExisting,  // the file this task started
        kEither,    // written over or created (the account picture)
    };
    // Read-write, never cut by the open.
    bool openForWriting(const std::string& path, Creation creation);
    // The same for an entry of a folder held open.
    bool openForWriting(const LocalFolder& folder, const std::string& name, Creation creation);
    bool openForReading(const std::string& path);

    std::optional<std::int64_t> size();
    // Cuts (or keeps) the file at `length` and places the next write there.
    bool truncateAt(std::int64_t length);
    bool seekTo(std::int64_t offset);

    // Writes all of `size` bytes; returns how many reached the file (fewer when the disk is
    // full or the write failed).
    std::size_t write(const char* data, std::size_t size);
    // The same at `offset`, leaving the file position alone; any number of threads at once.
    std::size_t writeAt(const char* data, std::size_t size, std::int64_t offset);
    // Bytes read; 0 at the end, -1 on error.
    std::int64_t read(char* buffer, std::size_t size);

    void close();

private:
    bool open(const std::string& path, int flags);
    static int writingFlags(Creation creation);

    ACE_FILE_IO m_file;
    bool m_open = false;
};

}  // namespace nubexa

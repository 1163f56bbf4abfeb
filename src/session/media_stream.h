#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace nubexa {

class RangeEndpoint;
class TransferManager;

// A disk file a player reads while it comes.
struct MediaFile {
    std::string remoteName;  // the stored file's name: its id and extension
    std::int64_t size = 0;
    std::string contentType = "application/octet-stream";
};

// A disk file served to a player on this machine (see RangeEndpoint): each range the player
// asks for is read from the file server on a connection of its own, protected as the
// transfers are; nothing is written to disk. Ends, with every connection, when destroyed.
// Made and destroyed by one owner (the preview window's).
class MediaStream {
public:
    ~MediaStream();
    MediaStream(const MediaStream&) = delete;
    MediaStream& operator=(const MediaStream&) = delete;

    // Null with `problem` when no endpoint could be opened.
    static std::unique_ptr<MediaStream> open(TransferManager& manager, const MediaFile& file,
                                             std::string& problem);
    // The address for the player: loopback, with a token no other program knows.
    std::string url() const;

private:
    class FileServerSource;
    MediaStream() = default;

    std::unique_ptr<FileServerSource> m_source;
    std::unique_ptr<RangeEndpoint> m_endpoint;  // ends before the source
};

}  // namespace nubexa

#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
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

class MediaStream;

// The media streams a session has open, ended together before the transfer manager they read
// through ends (a preview window may outlive the transfers: signing out, leaving). Any thread.
class MediaStreams {
public:
    // `stream` leaves the set when destroyed, whether or not this set still exists.
    void add(MediaStream& stream);
    void endAll();

    struct Open {
        std::mutex mutex;
        std::set<MediaStream*> streams;  // guarded by mutex
    };

private:
    std::shared_ptr<Open> m_open = std::make_shared<Open>();
};

// A disk file served to a player on this machine (see RangeEndpoint): each range the player
// asks for is read from the file server on a connection of the stream's, signed in once and
// kept for the next range, protected as the transfers are; nothing is written to disk. Ends, with
// every connection, when destroyed or ended by its session's MediaStreams. Made and destroyed by
// one owner (the preview window's).
class MediaStream {
public:
    ~MediaStream();
    MediaStream(const MediaStream&) = delete;
    MediaStream& operator=(const MediaStream&) = delete;

    // Null with `problem` when no endpoint could be opened.
    static std::unique_ptr<MediaStream> open(TransferManager& manager, const MediaFile& file,
                                             std::string& problem);
    // The address for the player: loopback, with a token no other program knows. Refuses
    // connections once the stream has ended.
    std::string url() const { return m_url; }

private:
    friend class MediaStreams;
    class FileServerSource;
    MediaStream() = default;
    // Stops answering and joins every connection; under the set's lock.
    void end();

    std::unique_ptr<FileServerSource> m_source;
    std::unique_ptr<RangeEndpoint> m_endpoint;  // ends before the source
    std::string m_url;
    std::shared_ptr<MediaStreams::Open> m_set;  // the set this stream is in, if any
};

}  // namespace nubexa

#include "session/media_stream.h"

#include "ftp/ftp_client.h"
#include "ftp/read_run.h"
#include "preview/range_endpoint.h"
#include "service/service_client.h"
#include "transfer/transfer_manager.h"

namespace nubexa {

// Reads each range on a sign-in of its own: a player asks for a few ranges at once (the
// start, the index at the end) and drops one at every seek.
class MediaStream::FileServerSource : public RangeSource {
public:
    FileServerSource(TransferManager& manager, std::string remoteName)
        : m_manager(manager), m_remoteName(std::move(remoteName)) {}

    bool read(std::int64_t offset, std::int64_t length, const Sink& sink,
              const std::atomic<bool>& stop) override {
        FtpOptions options = m_manager.settings().ftp;
        options.stopRequest = &stop;
        const auto client = m_manager.makeFtpClient(m_manager.service().account(), options);
        if (!client->FtpLogin())
            return false;
        if (client->signedInClear())
            m_manager.signedInClear(m_manager.service().account().ftp_host);
        const ReadResult result = client->Read({m_remoteName, offset, length}, sink);
        return result.bytes == length;
    }

private:
    TransferManager& m_manager;
    const std::string m_remoteName;
};

void MediaStreams::add(MediaStream& stream) {
    std::lock_guard lock(m_open->mutex);
    m_open->streams.insert(&stream);
    stream.m_set = m_open;
}

void MediaStreams::endAll() {
    // A stream being destroyed meanwhile waits for the lock before it lets go of its parts.
    std::lock_guard lock(m_open->mutex);
    for (MediaStream* stream : m_open->streams)
        stream->end();
    m_open->streams.clear();
}

MediaStream::~MediaStream() {
    if (m_set) {
        std::lock_guard lock(m_set->mutex);
        m_set->streams.erase(this);
    }
}

void MediaStream::end() {
    m_endpoint.reset();
}

std::unique_ptr<MediaStream> MediaStream::open(TransferManager& manager, const MediaFile& file,
                                               std::string& problem) {
    std::unique_ptr<MediaStream> stream(new MediaStream);
    stream->m_source = std::make_unique<FileServerSource>(manager, file.remoteName);
    stream->m_endpoint = std::make_unique<RangeEndpoint>(
        RangeEndpoint::File{file.size, file.contentType}, *stream->m_source);
    if (!stream->m_endpoint->start(problem))
        return nullptr;
    stream->m_url = stream->m_endpoint->url();
    return stream;
}

}  // namespace nubexa

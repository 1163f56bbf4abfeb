#include "session/media_stream.h"

#include <vector>

#include "ftp/ftp_client.h"
#include "ftp/read_run.h"
#include "preview/range_endpoint.h"
#include "transfer/signed_in_client.h"

namespace nubexa {

// Reads each range on a signed-in connection of the stream's: a player asks for a few ranges
// at once (the start, the index at the end) and drops one at every seek, so a connection whose
// range ended (or was dropped) waits for the next range instead of a new sign-in each time.
class MediaStream::FileServerSource : public RangeSource {
public:
    FileServerSource(TransferManager& manager, std::string remoteName)
        : m_manager(manager), m_remoteName(std::move(remoteName)) {}

    bool read(std::int64_t offset, std::int64_t length, const Sink& sink,
              const std::atomic<bool>& stop) override {
        auto signedIn = take(stop);
        std::string problem;
        FTPClient* client = signedIn->get(problem);
        if (!client)
            return false;
        const ReadResult result = client->Read({m_remoteName, offset, length}, sink);
        if (result.end == ReadResult::End::kFailed || stop)
            signedIn->drop();
        giveBack(std::move(signedIn));
        return result.bytes == length;
    }

private:
    // The endpoint's one stop flag ends every connection; a kept one was made with it.
    std::unique_ptr<SignedInClient> take(const std::atomic<bool>& stop) {
        std::lock_guard lock(m_mutex);
        if (m_idle.empty())
            return std::make_unique<SignedInClient>(m_manager, stop);
        auto signedIn = std::move(m_idle.back());
        m_idle.pop_back();
        return signedIn;
    }
    void giveBack(std::unique_ptr<SignedInClient> signedIn) {
        std::lock_guard lock(m_mutex);
        if (signedIn->held() && m_idle.size() < kMostIdle)
            m_idle.push_back(std::move(signedIn));
    }

    // As many as a player keeps busy at once; more are signed out after their range.
    static constexpr std::size_t kMostIdle = 3;
    TransferManager& m_manager;
    const std::string m_remoteName;
    std::mutex m_mutex;
    std::vector<std::unique_ptr<SignedInClient>> m_idle;  // guarded by m_mutex
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

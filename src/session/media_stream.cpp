#include "session/media_stream.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "ftp/ftp_client.h"
#include "ftp/read_run.h"
#include "preview/range_endpoint.h"
#include "transfer/signed_in_client.h"

namespace nubexa {

// Reads each range on a signed-in connection of the stream's: a player asks for a few ranges
// at once (the start, the index at the end) and drops one at every seek, so a connection whose
// range ended (or was dropped) waits for the next range instead of a new sign-in each time.
// Two sign-ins begin as the stream opens, while the player is still starting: its first two
// ranges (the head, then the index at the end of most videos) find them done or under way.
class MediaStream::FileServerSource : public RangeSource {
public:
    FileServerSource(TransferManager& manager, std::string remoteName)
        : m_manager(manager), m_remoteName(std::move(remoteName)) {
        m_warming = kWarm;
        for (std::size_t i = 0; i < kWarm; ++i)
            m_warmers.emplace_back([this] { warmUp(); });
    }
    ~FileServerSource() override { finish(); }
    FileServerSource(const FileServerSource&) = delete;
    FileServerSource& operator=(const FileServerSource&) = delete;

    // Ends every connection's transfer; before the endpoint's connections are joined.
    void stop() {
        m_stop = true;
        m_ready.notify_all();
    }
    // stop(), and the sign-ins begun at the start are over: nothing uses the manager after.
    void finish() {
        stop();
        for (std::thread& warmer : m_warmers) {
            if (warmer.joinable())
                warmer.join();
        }
    }

    bool read(std::int64_t offset, std::int64_t length, const Sink& sink,
              const std::atomic<bool>& stop) override {
        auto signedIn = take();
        std::string problem;
        FTPClient* client = signedIn->get(problem);
        if (!client)
            return false;
        const ReadResult result = client->Read({m_remoteName, offset, length}, sink);
        if (result.end == ReadResult::End::kFailed || stop || m_stop)
            signedIn->drop();
        giveBack(std::move(signedIn));
        return result.bytes == length;
    }

private:
    void warmUp() {
        auto signedIn = std::make_unique<SignedInClient>(m_manager, m_stop);
        std::string problem;
        signedIn->get(problem);  // one that failed is not kept; a range signs in again
        {
            // Kept and counted off together: a range waiting for it never sees neither.
            std::lock_guard lock(m_mutex);
            --m_warming;
            keep(std::move(signedIn));
        }
        m_ready.notify_all();
    }

    // A range waits for a sign-in under way rather than starting one more.
    std::unique_ptr<SignedInClient> take() {
        std::unique_lock lock(m_mutex);
        m_ready.wait(lock, [this] { return m_stop || !m_idle.empty() || m_warming == 0; });
        if (m_idle.empty())
            return std::make_unique<SignedInClient>(m_manager, m_stop);
        auto signedIn = std::move(m_idle.back());
        m_idle.pop_back();
        return signedIn;
    }
    void giveBack(std::unique_ptr<SignedInClient> signedIn) {
        {
            std::lock_guard lock(m_mutex);
            keep(std::move(signedIn));
        }
        m_ready.notify_one();
    }
    // Under m_mutex.
    void keep(std::unique_ptr<SignedInClient> signedIn) {
        if (signedIn->held() && !m_stop && m_idle.size() < kMostIdle)
            m_idle.push_back(std::move(signedIn));
    }

    static constexpr std::size_t kWarm = 2;
    // As many as a player keeps busy at once; more are signed out after their range.
    static constexpr std::size_t kMostIdle = 3;
    TransferManager& m_manager;
    const std::string m_remoteName;
    std::atomic<bool> m_stop{false};  // every connection of the stream is made with it
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::vector<std::unique_ptr<SignedInClient>> m_idle;  // guarded by m_mutex
    std::size_t m_warming = 0;                            // guarded by m_mutex
    std::vector<std::thread> m_warmers;
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
    // The endpoint's connections may be waiting for the file server: they end before it joins
    // them.
    if (m_source)
        m_source->stop();
    m_endpoint.reset();
}

void MediaStream::end() {
    m_source->stop();
    m_endpoint.reset();
    m_source->finish();
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

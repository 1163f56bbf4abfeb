#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "transfer/remote_files.h"

namespace nubexa {

class TransferManager;

// Reads small remote files whole into memory (the pictures of thumbnails and previews) on a
// few connections of its own, so that queued transfers keep their speed: at most
// `connections` at once, each signed in once and reused. Requests wait in order; one asked
// for first (a visible row) goes ahead of those waiting. Results go to the listener on the
// fetch threads. Any thread may ask; the owner (the session) destroys it before the manager,
// which stops every fetch and joins its threads.
class RemoteFileFetcher {
public:
    RemoteFileFetcher(TransferManager& manager, RemoteFileListener& listener,
                      std::size_t connections);
    ~RemoteFileFetcher();
    RemoteFileFetcher(const RemoteFileFetcher&) = delete;
    RemoteFileFetcher& operator=(const RemoteFileFetcher&) = delete;

    // A request whose tag waits already is not added twice (only moved ahead when `first`).
    void fetch(RemoteFileRequest request, bool first);
    // Forgets the requests that wait (the folder shown changed); those running finish.
    void dropWaiting();

private:
    void work();
    bool next(RemoteFileRequest& request);

    TransferManager& m_manager;
    RemoteFileListener& m_listener;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<RemoteFileRequest> m_waiting;  // guarded by m_mutex
    std::vector<std::thread> m_threads;
};

}  // namespace nubexa

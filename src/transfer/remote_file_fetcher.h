#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
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
// for first (a visible row) goes ahead of those waiting. Each request names its listener,
// which hears its result on a fetch thread; several listeners (the thumbnails of a page, a
// preview window) share the connections and are forgotten one by one. Any thread may ask;
// the owner (the session) destroys it before the manager, which stops every fetch and joins
// its threads.
class RemoteFileFetcher {
public:
    RemoteFileFetcher(TransferManager& manager, std::size_t connections);
    ~RemoteFileFetcher();
    RemoteFileFetcher(const RemoteFileFetcher&) = delete;
    RemoteFileFetcher& operator=(const RemoteFileFetcher&) = delete;

    // A request whose tag waits already for the same listener is not added twice (only moved
    // ahead when `first`).
    void fetch(RemoteFileRequest request, RemoteFileListener& listener, bool first);
    // Forgets the requests of `listener` that wait (the folder shown changed); those running
    // finish and are heard.
    void dropWaiting(const RemoteFileListener& listener);
    // `listener` is never called again once this returns: its waiting requests are dropped,
    // its running ones stopped, and a call to it in flight is waited for. Not from a call to
    // that listener.
    void forget(const RemoteFileListener& listener);

private:
    struct Waiting {
        RemoteFileRequest request;
        RemoteFileListener* listener = nullptr;
    };
    // What one fetch thread works on; guarded by m_mutex but `stop`.
    struct Slot {
        RemoteFileListener* listener = nullptr;  // of the running request
        bool calling = false;                    // the listener is being called
        std::atomic<bool> stop{false};           // ends the running request's transfer
    };

    void work(Slot& slot);
    bool next(Slot& slot, Waiting& waiting);
    void deliver(Slot& slot, const RemoteFileResult& result);

    TransferManager& m_manager;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_called;
    std::deque<Waiting> m_waiting;  // guarded by m_mutex
    std::vector<std::unique_ptr<Slot>> m_slots;
    std::vector<std::thread> m_threads;
};

}  // namespace nubexa

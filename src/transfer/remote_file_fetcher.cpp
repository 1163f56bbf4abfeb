#include "transfer/remote_file_fetcher.h"

#include <algorithm>
#include <memory>

#include "ftp/ftp_client.h"
#include "ftp/small_file.h"
#include "transfer/signed_in_client.h"

namespace nubexa {

namespace {

RemoteFileResult::Outcome outcomeOf(SmallFile::Outcome outcome) {
    switch (outcome) {
        case SmallFile::Outcome::kFetched:
            return RemoteFileResult::Outcome::kFetched;
        case SmallFile::Outcome::kTooLarge:
            return RemoteFileResult::Outcome::kTooLarge;
        case SmallFile::Outcome::kMissing:
            return RemoteFileResult::Outcome::kMissing;
        case SmallFile::Outcome::kStopped:
            return RemoteFileResult::Outcome::kStopped;
        case SmallFile::Outcome::kFailed:
            break;
    }
    return RemoteFileResult::Outcome::kFailed;
}

}  // namespace

RemoteFileFetcher::RemoteFileFetcher(TransferManager& manager, std::size_t connections)
    : m_manager(manager) {
    for (std::size_t i = 0; i < std::max<std::size_t>(connections, 1); ++i)
        m_slots.push_back(std::make_unique<Slot>());
    for (auto& slot : m_slots)
        m_threads.emplace_back([this, &slot = *slot] { work(slot); });
}

RemoteFileFetcher::~RemoteFileFetcher() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
        m_waiting.clear();
        for (auto& slot : m_slots)
            slot->stop = true;
    }
    m_wake.notify_all();
    for (auto& thread : m_threads)
        thread.join();
}

void RemoteFileFetcher::fetch(RemoteFileRequest request, RemoteFileListener& listener, bool first) {
    {
        std::lock_guard lock(m_mutex);
        const auto same =
            std::find_if(m_waiting.begin(), m_waiting.end(), [&](const Waiting& waiting) {
                return waiting.listener == &listener && waiting.request.tag == request.tag;
            });
        if (same != m_waiting.end()) {
            if (!first)
                return;
            m_waiting.erase(same);
        }
        Waiting waiting{std::move(request), &listener};
        if (first)
            m_waiting.push_front(std::move(waiting));
        else
            m_waiting.push_back(std::move(waiting));
    }
    m_wake.notify_one();
}

void RemoteFileFetcher::dropWaiting(const RemoteFileListener& listener) {
    std::lock_guard lock(m_mutex);
    std::erase_if(m_waiting, [&](const Waiting& waiting) { return waiting.listener == &listener; });
}

void RemoteFileFetcher::forget(const RemoteFileListener& listener) {
    std::unique_lock lock(m_mutex);
    std::erase_if(m_waiting, [&](const Waiting& waiting) { return waiting.listener == &listener; });
    for (auto& slot : m_slots) {
        if (slot->listener == &listener && !slot->calling) {
            slot->listener = nullptr;  // its result goes nowhere
            slot->stop = true;
        }
    }
    m_called.wait(lock, [&] {
        return std::none_of(m_slots.begin(), m_slots.end(), [&](const auto& slot) {
            return slot->listener == &listener && slot->calling;
        });
    });
}

bool RemoteFileFetcher::next(Slot& slot, Waiting& waiting) {
    std::unique_lock lock(m_mutex);
    m_wake.wait(lock, [this] { return m_stop || !m_waiting.empty(); });
    if (m_stop)
        return false;
    waiting = std::move(m_waiting.front());
    m_waiting.pop_front();
    slot.listener = waiting.listener;
    slot.stop = false;
    return true;
}

void RemoteFileFetcher::deliver(Slot& slot, const RemoteFileResult& result) {
    RemoteFileListener* listener = nullptr;
    {
        std::lock_guard lock(m_mutex);
        listener = m_stop ? nullptr : slot.listener;
        slot.calling = listener != nullptr;
    }
    if (listener)
        listener->remoteFileFetched(result);
    {
        std::lock_guard lock(m_mutex);
        slot.calling = false;
        slot.listener = nullptr;
    }
    m_called.notify_all();
}

void RemoteFileFetcher::work(Slot& slot) {
    // One sign-in serves many files, while the account and the connection hold.
    SignedInClient signedIn(m_manager, slot.stop);
    Waiting waiting;
    while (next(slot, waiting)) {
        const RemoteFileRequest& request = waiting.request;
        RemoteFileResult result;
        result.tag = request.tag;
        FTPClient* client = signedIn.get(result.problem);
        if (!client) {
            deliver(slot, result);
            continue;
        }
        if (!request.folder.empty())
            client->ChangeDir(request.folder);
        const SmallFile file =
            fetchSmallFile(*client, request.remoteName, request.limit, request.headIsEnough);
        result.outcome = outcomeOf(file.outcome);
        result.bytes = file.bytes;
        result.cut = file.cut;
        result.problem = file.reply;
        // A connection moved to another folder is not kept: the next request starts in the
        // user's own, where a sign-in lands.
        if (file.outcome == SmallFile::Outcome::kFailed ||
            file.outcome == SmallFile::Outcome::kStopped || !request.folder.empty())
            signedIn.drop();
        deliver(slot, result);
    }
    signedIn.quit();
}

}  // namespace nubexa

#include "transfer/remote_file_fetcher.h"

#include <algorithm>
#include <memory>

#include "ftp/ftp_client.h"
#include "ftp/small_file.h"
#include "service/service_client.h"
#include "transfer/transfer_manager.h"

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

RemoteFileFetcher::RemoteFileFetcher(TransferManager& manager, RemoteFileListener& listener,
                                     std::size_t connections)
    : m_manager(manager), m_listener(listener) {
    for (std::size_t i = 0; i < std::max<std::size_t>(connections, 1); ++i)
        m_threads.emplace_back([this] { work(); });
}

RemoteFileFetcher::~RemoteFileFetcher() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
        m_waiting.clear();
    }
    m_wake.notify_all();
    for (auto& thread : m_threads)
        thread.join();
}

void RemoteFileFetcher::fetch(RemoteFileRequest request, bool first) {
    {
        std::lock_guard lock(m_mutex);
        const auto same = std::find_if(
            m_waiting.begin(), m_waiting.end(),
            [&](const RemoteFileRequest& waiting) { return waiting.tag == request.tag; });
        if (same != m_waiting.end()) {
            if (!first)
                return;
            m_waiting.erase(same);
        }
        if (first)
            m_waiting.push_front(std::move(request));
        else
            m_waiting.push_back(std::move(request));
    }
    m_wake.notify_one();
}

void RemoteFileFetcher::dropWaiting() {
    std::lock_guard lock(m_mutex);
    m_waiting.clear();
}

bool RemoteFileFetcher::next(RemoteFileRequest& request) {
    std::unique_lock lock(m_mutex);
    m_wake.wait(lock, [this] { return m_stop || !m_waiting.empty(); });
    if (m_stop)
        return false;
    request = std::move(m_waiting.front());
    m_waiting.pop_front();
    return true;
}

void RemoteFileFetcher::work() {
    std::unique_ptr<FTPClient> client;
    std::string endpoint;
    RemoteFileRequest request;
    while (next(request)) {
        RemoteFileResult result;
        result.tag = request.tag;
        const AccountInfo account = m_manager.service().account();
        const std::string wanted = ftpEndpointOf(account);
        // One sign-in serves many files, while the account and the connection hold.
        if (!client || endpoint != wanted || !client->reusable()) {
            FtpOptions options = m_manager.settings().ftp;
            options.stopRequest = &m_stop;
            client = m_manager.makeFtpClient(account, options);
            client->setKeepOpen(true);
            endpoint = wanted;
            if (!client->FtpLogin()) {
                result.problem = client->securityProblem().empty() ? client->lastReply()
                                                                   : client->securityProblem();
                client.reset();
                if (!m_stop)
                    m_listener.remoteFileFetched(result);
                continue;
            }
            if (client->signedInClear())
                m_manager.signedInClear(account.ftp_host);
        }
        const SmallFile file = fetchSmallFile(*client, request.remoteName, request.limit);
        result.outcome = outcomeOf(file.outcome);
        result.bytes = file.bytes;
        result.problem = file.reply;
        if (file.outcome == SmallFile::Outcome::kFailed)
            client.reset();
        if (!m_stop)
            m_listener.remoteFileFetched(result);
    }
    if (client)
        client->Quit();
}

}  // namespace nubexa

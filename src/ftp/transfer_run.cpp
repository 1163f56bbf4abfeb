#include "ftp/transfer_run.h"

#include <netinet/in.h>

#include <algorithm>
#include <thread>

#include "ftp/ftp_log.h"
#include "ftp/passive_address.h"

namespace nubexa {

TransferRun::TransferRun(FTPClient& client, TransferTask& task)
    : m_client(client), m_task(task), m_rateLimit(client.m_options.maxBytesPerSecond) {}

std::optional<std::string> TransferRun::askPassive() {
    ACE_INET_Addr peer;
    if (m_client.m_control.get_remote_addr(peer) == 0 && peer.get_type() == AF_INET6) {
        auto extended = exchange("EPSV");
        if (!extended || replyCode(*extended).rfind('5', 0) != 0)
            return extended;
    }
    return exchange("PASV");
}

TransferRun::Passive TransferRun::connectData(const std::string& passiveReply) {
    const auto port = passivePort(passiveReply);
    if (!port)
        return Passive::NoAddress;
    ACE_INET_Addr peer;
    char host[INET6_ADDRSTRLEN + 1] = {};
    if (m_client.m_control.get_remote_addr(peer) != 0 ||
        peer.get_host_addr(host, sizeof host) == nullptr) {
        ftp_log::connectionFailed(__LINE__);
        return Passive::NotConnected;
    }
    if (!m_data.connect(host, *port, options().limits.connect, options().stopRequest)) {
        ftp_log::connectionFailed(__LINE__);
        return Passive::NotConnected;
    }
    // Names the control connection's address, as the entry always has.
    ftp_log::connected(__LINE__, m_client.m_serverAddress);
    if (m_client.m_dataProtected) {
        m_data.protectWith([this](ACE_HANDLE handle, TlsLink& link) {
            return m_client.secureData(handle, link, options().stopRequest);
        });
    }
    return Passive::Connected;
}

std::string TransferRun::readCompletion() {
    std::string reply;
    if (m_client.m_owedReplies > 0) {
        --m_client.m_owedReplies;
        m_client.ReadReply(reply);
    }
    return reply;
}

bool TransferRun::heldBack(std::int64_t moved) {
    const auto wait = m_rateLimit.holdBack(moved);
    if (wait.count() <= 0)
        return false;
    std::this_thread::sleep_for(std::min(wait, options().dataTick));
    return true;
}

void TransferRun::noteDataMoved(std::size_t bytes) {
    auto& stats = m_client.m_stats;
    if (!stats.firstDataByte && bytes > 0)
        stats.firstDataByte = TransferStats::Clock::now();
    stats.bytesMoved += static_cast<std::int64_t>(bytes);
}

std::int64_t speedKBps(std::int64_t bytes, std::int64_t elapsedMs) {
    if (bytes <= 0)
        return 0;
    return bytes * 1000 / std::max<std::int64_t>(elapsedMs, 1) / 1024;
}

ProgressSink::Setup TransferRun::reporterSetup(Direction direction, std::int64_t offset) const {
    ProgressSink::Setup setup;
    setup.direction = direction;
    setup.taskId = m_task.id;
    setup.startOffset = offset;
    setup.startTimeMs = m_task.startTimeMs;
    setup.interval = options().progressInterval;
    setup.stopRequest = options().stopRequest;
    return setup;
}

ProgressReporter TransferRun::makeReporter(Direction direction, std::int64_t offset) {
    return ProgressReporter(m_client.m_progress.open(
        reporterSetup(direction, offset), &m_client.m_listener, m_client.m_stats.progress));
}

bool TransferRun::isPlainFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string("/\0", 2)) == std::string::npos;
}

}  // namespace nubexa

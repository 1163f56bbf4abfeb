#include "ftp/transfer_run.h"

#include <netinet/in.h>

#include <algorithm>
#include <thread>

#include "ftp/ftp_log.h"
#include "ftp/passive_address.h"

namespace nubexa {

TransferRun::TransferRun(FTPClient& client, TransferTask& task, Direction direction)
    : m_client(client),
      m_task(task),
      m_ownLimit(client.m_options.maxBytesPerSecond),
      m_sharedLimit(direction == Direction::kUpload ? client.m_options.uploadLimit
                                                    : client.m_options.downloadLimit) {}

std::optional<std::string> TransferRun::askPassive() {
    if (auto inHand = m_client.takePassiveInHand())
        return inHand;
    if (m_client.overIpv6()) {
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

TransferRun::Started TransferRun::connectAndStart(const std::string& passiveReply,
                                                  const std::string& verb,
                                                  const std::string& name) {
    Started started;
    if (!passivePort(passiveReply))
        return started;
    if (!FTPClient::fitsOnOneLine(name)) {
        started.passive = connectData(passiveReply);
        started.reply = std::string();
        return started;
    }
    m_client.readOwedReplies();
    const bool sent = m_client.SendCommand(verb + " " + name + "\r\n");
    started.passive = connectData(passiveReply);
    if (started.passive != Passive::Connected) {
        if (sent)
            m_client.closeControl();
        return started;
    }
    if (sent) {
        std::string reply;
        m_client.ReadReply(reply);
        started.reply = reply;
    }
    return started;
}

std::string TransferRun::readCompletion() {
    std::string reply;
    if (m_client.m_owedReplies > 0) {
        --m_client.m_owedReplies;
        m_client.ReadReply(reply);
    }
    return reply;
}

bool TransferRun::heldBack() {
    auto wait = m_ownLimit.wait();
    if (m_sharedLimit)
        wait = std::max(wait, m_sharedLimit->wait());
    if (wait <= RateLimiter::Clock::duration::zero())
        return false;
    // Never longer than a tick: a pause, a stop or a raised limit is seen at once.
    std::this_thread::sleep_for(std::min<RateLimiter::Clock::duration>(wait, options().dataTick));
    return true;
}

std::size_t TransferRun::paced(std::size_t want) const {
    want = m_ownLimit.slice(want);
    return m_sharedLimit ? m_sharedLimit->slice(want) : want;
}

void TransferRun::noteDataMoved(std::size_t bytes) {
    auto& stats = m_client.m_stats;
    if (!stats.firstDataByte && bytes > 0)
        stats.firstDataByte = TransferStats::Clock::now();
    stats.bytesMoved += static_cast<std::int64_t>(bytes);
    m_ownLimit.moved(static_cast<std::int64_t>(bytes));
    if (m_sharedLimit)
        m_sharedLimit->moved(static_cast<std::int64_t>(bytes));
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

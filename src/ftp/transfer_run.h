#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "ftp/data_channel.h"
#include "ftp/ftp_client.h"
#include "ftp/rate_limiter.h"

namespace nubexa {

// What a download and an upload share: the passive data connection, the reply owed for the
// transfer, the pacing of the data loop. Lives for one run on the client's thread.
class TransferRun {
protected:
    TransferRun(FTPClient& client, TransferTask& task, Direction direction);

    // Asks for a passive data port: EPSV when the control connection runs over IPv6 (PASV
    // cannot name an IPv6 address; a server that refuses EPSV is asked PASV), PASV otherwise.
    // Empty when the command was not sent whole.
    std::optional<std::string> askPassive();
    static bool isPassiveCode(const std::string& reply) {
        return replyCode(reply) == "227" || replyCode(reply) == "229";
    }

    // Connects the data channel to the port of an accepted passive reply, always on the host
    // the control connection reached: a reply naming another host would make this client
    // connect (and upload) wherever a hostile server pointed it.
    enum class Passive { Connected, NoAddress, NotConnected };
    Passive connectData(const std::string& passiveReply);

    // A transfer from the start of a file: `verb` `name` (RETR, STOR) goes out before the data
    // connection is made, as servers take that connection while they handle the command; the
    // command's reply and the connection then take one round trip, not two. `reply` is as
    // exchange() gives it. When the connection is not made the control connection is closed:
    // the server's answer may come only once it gave up waiting for the data.
    struct Started {
        Passive passive = Passive::NoAddress;
        std::optional<std::string> reply;
    };
    Started connectAndStart(const std::string& passiveReply, const std::string& verb,
                            const std::string& name);

    std::optional<std::string> exchange(const std::string& verb, const std::string& argument = {}) {
        return m_client.exchange(verb, argument);
    }
    void quit() {
        if (!m_client.m_keepOpen)
            m_client.Quit();
    }
    // The run's result as Download/Upload return it, with how it ended recorded.
    int completed() {
        m_client.m_lastRunEnd = RunEnd::kCompleted;
        return 1;
    }
    int stopped() {
        m_client.m_lastRunEnd = RunEnd::kStopped;
        return 1;
    }
    // Ended for a reason a retry cannot change.
    int refused(std::string reason) {
        m_client.m_lastRunEnd = RunEnd::kRefused;
        m_client.m_lastRefusal = std::move(reason);
        return 0;
    }

    // The transfer's command was answered with a preliminary reply: its completion reply follows
    // the data and is read before any other command.
    void owesCompletion() { m_client.m_owedReplies = 1; }
    // The completion reply of the transfer; empty when none was owed or none came.
    std::string readCompletion();

    // Waits out the rate limits for at most one data tick; true when it waited.
    bool heldBack();
    // At most what the rate limits let go in one piece.
    std::size_t paced(std::size_t want) const;

    void noteDataMoved(std::size_t bytes);
    bool idleTooLong(std::chrono::steady_clock::time_point lastMoved) const {
        return std::chrono::steady_clock::now() - lastMoved >= options().limits.dataIdle;
    }

    const FtpOptions& options() const { return m_client.m_options; }
    bool stopRequested() const {
        return options().stopRequest != nullptr &&
               options().stopRequest->load(std::memory_order_acquire);
    }
    ProgressSink::Setup reporterSetup(Direction direction, std::int64_t offset) const;
    ProgressReporter makeReporter(Direction direction, std::int64_t offset);

    // A local file name is one path component: never a way out of the task's folder.
    static bool isPlainFileName(const std::string& name);
    // The replies RFC 959 allows around RETR, STOR, APPE and LIST: 125 (the data connection
    // was already open, as this client opens it first) or 150 before the data, 226 or 250 after.
    static bool isTransferStart(const std::string& reply) {
        return replyCode(reply) == "125" || replyCode(reply) == "150";
    }
    static bool isTransferDone(const std::string& reply) {
        return replyCode(reply) == "226" || replyCode(reply) == "250";
    }

    FTPClient& m_client;
    TransferTask& m_task;
    DataChannel m_data;
    RateLimiter m_ownLimit;
    std::shared_ptr<RateLimiter> m_sharedLimit;
};

}  // namespace nubexa

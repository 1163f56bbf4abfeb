#include "ftp/read_run.h"

#include <algorithm>
#include <vector>

#include "ftp/ftp_log.h"

namespace nubexa {

ReadResult FTPClient::Read(const ReadRequest& request, const ReadSink& sink) {
    return ReadRun(*this, request, sink).run();
}

bool ReadRun::setUp(ReadResult& result) {
    m_client.binaryType();
    const auto passive = askPassive();
    if (!passive || !isPassiveCode(*passive) || connectData(*passive) != Passive::Connected)
        return false;
    if (m_request.offset > 0) {
        const auto rest = exchange("REST", std::to_string(m_request.offset));
        if (!rest || rest->compare(0, 4, "350 ") != 0) {
            result.reply = rest.value_or(std::string());
            if (replyCode(result.reply).rfind('5', 0) == 0)
                result.end = ReadResult::End::kRefused;
            return false;
        }
    }
    const auto retrieve = exchange("RETR", m_request.remoteName);
    if (!retrieve || !isTransferStart(*retrieve)) {
        result.reply = retrieve.value_or(std::string());
        if (replyCode(result.reply).rfind('5', 0) == 0)
            result.end = ReadResult::End::kRefused;
        return false;
    }
    owesCompletion();
    return true;
}

ReadResult::End ReadRun::receive(ReadResult& result) {
    std::vector<char> buffer(std::min<std::int64_t>(static_cast<std::int64_t>(options().blockSize),
                                                    std::max<std::int64_t>(m_request.length, 1)));
    auto lastMoved = std::chrono::steady_clock::now();
    while (result.bytes < m_request.length) {
        if (stopRequested())
            return ReadResult::End::kStopped;
        if (heldBack())
            continue;
        const auto want = paced(static_cast<std::size_t>(
            std::min<std::int64_t>(buffer.size(), m_request.length - result.bytes)));
        const auto got = m_data.receive(buffer.data(), want, options().dataTick);
        if (got.outcome == DataChannel::Outcome::Moved) {
            noteDataMoved(got.bytes);
            result.bytes += static_cast<std::int64_t>(got.bytes);
            if (!m_sink(buffer.data(), got.bytes))
                return ReadResult::End::kStopped;
            lastMoved = std::chrono::steady_clock::now();
        } else if (got.outcome == DataChannel::Outcome::Closed) {
            return ReadResult::End::kWhole;
        } else if (got.outcome == DataChannel::Outcome::Failed || idleTooLong(lastMoved)) {
            return ReadResult::End::kFailed;
        }
    }
    return ReadResult::End::kLengthReached;
}

ReadResult ReadRun::run() {
    ReadResult result;
    if (m_request.length <= 0 || m_request.offset < 0) {
        result.end = ReadResult::End::kWhole;
        return result;
    }
    if (!setUp(result)) {
        quit();
        return result;
    }
    result.end = receive(result);
    if (stopRequested()) {
        // Everything is stopping: no wait for the server's word on a cut transfer.
        m_client.closeControl();
        result.end = ReadResult::End::kStopped;
        return result;
    }
    // A cut transfer is answered too (426 or 226): the reply is read, so that the connection
    // can carry the next command.
    m_data.close();
    const bool confirmed = isTransferDone(readCompletion());
    if (result.end == ReadResult::End::kWhole && !confirmed) {
        ftp_log::info(__LINE__, "the data ended without the server's confirmation");
        result.end = ReadResult::End::kFailed;
    }
    quit();
    return result;
}

}  // namespace nubexa

#include "ftp/range_run.h"

#include <cerrno>
#include <vector>

#include "ftp/ftp_log.h"
#include "ftp/local_file.h"
#include "ftp/range_plan.h"

namespace nubexa {

RangeRun::RangeRun(FTPClient& client, const TransferTask& task, LocalFile& file, RangePlan& plan,
                   std::size_t index, std::int64_t bytesPerSecond, const std::atomic<bool>& stop)
    : TransferTask(task),
      TransferRun(client, *this, Direction::kDownload),
      m_file(file),
      m_plan(plan),
      m_index(index),
      m_stop(stop) {
    m_ownLimit.setRate(bytesPerSecond);
}

bool RangeRun::setUp(End& refusal) {
    refusal = End::kFailed;
    m_client.binaryType();
    const auto passive = askPassive();
    if (!passive || !isPassiveCode(*passive) || connectData(*passive) != Passive::Connected)
        return false;
    // Sent at 0 too: a REST left over from an earlier command must not shift this range.
    const TaskRange range = m_plan.range(m_index);
    const auto rest = exchange("REST", std::to_string(range.start + range.done));
    if (!rest || rest->compare(0, 4, "350 ") != 0) {
        if (rest && replyCode(*rest).rfind('5', 0) == 0)
            refusal = End::kRestRefused;
        return false;
    }
    const auto retrieve = exchange("RETR", ftpFileName);
    if (!retrieve || !isTransferStart(*retrieve))
        return false;
    owesCompletion();
    return true;
}

RangeRun::End RangeRun::receive() {
    std::vector<char> buffer(options().blockSize);
    const bool last = m_plan.isLast(m_index);
    auto lastMoved = std::chrono::steady_clock::now();
    for (;;) {
        if (m_stop.load(std::memory_order_acquire))
            return End::kStopped;
        const TaskRange range = m_plan.range(m_index);
        const std::int64_t left = range.end - range.start - range.done;
        // Another range holds the bytes past this one's end; the last one reads one more byte
        // to tell the server's end from more data.
        if (left == 0 && !last)
            return End::kComplete;
        if (heldBack())
            continue;
        std::size_t want = paced(buffer.size());
        if (left == 0)
            want = 1;
        else if (left < static_cast<std::int64_t>(want))
            want = static_cast<std::size_t>(left);
        const auto result = m_data.receive(buffer.data(), want, options().dataTick);
        if (result.outcome == DataChannel::Outcome::Moved) {
            noteDataMoved(result.bytes);
            if (left == 0) {
                ftp_log::info(__LINE__, "the server sends more than the file's bound");
                return End::kLonger;
            }
            const std::size_t written =
                m_file.writeAt(buffer.data(), result.bytes, range.start + range.done);
            m_plan.advance(m_index, static_cast<std::int64_t>(written));
            if (written < result.bytes) {
                const int why = errno;
                ftp_log::systemError(__LINE__, "pwrite");
                return why == ENOSPC || why == EDQUOT ? End::kDiskFull : End::kWriteFailed;
            }
            lastMoved = std::chrono::steady_clock::now();
        } else if (result.outcome == DataChannel::Outcome::Closed) {
            m_closed = true;
            return left == 0 ? End::kComplete : End::kShorter;
        } else if (result.outcome == DataChannel::Outcome::Failed || idleTooLong(lastMoved)) {
            return End::kFailed;
        }
    }
}

RangeRun::End RangeRun::finish(End received) {
    // A range cut at its end, or any stop, closes the data connection first: the server then
    // answers the transfer (426 or 226) and the connection can carry the next command.
    m_data.close();
    // Every byte of the range is written; how the server took the cut says nothing more.
    if (received == End::kComplete && !m_plan.isLast(m_index) && m_closingWhenIdle &&
        m_plan.untaken() == 0)
        return received;
    const bool confirmed = isTransferDone(readCompletion());
    if (received != End::kShorter)
        return received;
    if (!confirmed)
        return End::kFailed;
    const TaskRange range = m_plan.range(m_index);
    const std::int64_t left = range.end - range.start - range.done;
    if (m_plan.isLast(m_index) && left <= kShortfallTolerance) {
        m_plan.endAtDone(m_index);
        return End::kComplete;
    }
    return End::kShorter;
}

RangeRun::End RangeRun::run() {
    End refusal = End::kFailed;
    if (!setUp(refusal)) {
        m_data.close();
        return refusal;
    }
    return finish(receive());
}

}  // namespace nubexa

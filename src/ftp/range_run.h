#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "ftp/transfer_run.h"

namespace nubexa {

class LocalFile;
class RangePlan;

// One byte range of a download on one signed-in connection: REST at the range's next byte,
// RETR, the bytes written in place, the data connection closed once the range's end is
// reached (the last range reads on to the server's end of the data). Runs on its own thread.
class RangeRun : private TransferTask, private TransferRun {
public:
    enum class End {
        kComplete,
        kStopped,
        kFailed,       // no answer, a connection lost: another run may go on from here
        kRestRefused,  // the server cannot start in the middle of a file
        kShorter,      // the server confirmed an end of the file before the range's end
        kLonger,       // the server sent past the file's size
        kWriteFailed,
        kDiskFull,
    };

    RangeRun(FTPClient& client, const TransferTask& task, LocalFile& file, RangePlan& plan,
             std::size_t index, std::int64_t bytesPerSecond, const std::atomic<bool>& stop);
    // For a connection that closes once no range waits for it: a range cut at its end, when
    // none waits, leaves the server's reply to the cut unread (the connection is not reused).
    void closingWhenIdle() { m_closingWhenIdle = true; }
    End run();

private:
    bool setUp(End& refusal);
    End receive();
    End finish(End received);

    LocalFile& m_file;
    RangePlan& m_plan;
    const std::size_t m_index;
    const std::atomic<bool>& m_stop;
    bool m_closed = false;  // the server ended the data
    bool m_closingWhenIdle = false;
};

}  // namespace nubexa

#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "ftp/transfer_run.h"

namespace nubexa {

// Bytes of a remote file read into memory rather than a file: a thumbnail's picture, the
// account's picture, the range a player asked for.
struct ReadRequest {
    std::string remoteName;
    std::int64_t offset = 0;  // REST before RETR when above 0
    std::int64_t length = 0;  // at most this many bytes are taken; the transfer is cut there
};

struct ReadResult {
    enum class End {
        kWhole,          // the server ended the data and confirmed the transfer
        kLengthReached,  // `length` bytes were taken; the file may go on
        kRefused,        // the server refused REST or RETR (no such file, say): reply says why
        kStopped,        // the sink or the stop request ended it
        kFailed,         // no answer, a connection lost, data cut without a confirmation
    };
    End end = End::kFailed;
    std::int64_t bytes = 0;  // handed to the sink
    std::string reply;       // the server's reply that refused it
};

// Takes each piece as it arrives; false stops the read.
using ReadSink = std::function<bool(const char* data, std::size_t size)>;

// One run of FTPClient::Read. Needs no task row: nothing is reported, nothing written.
class ReadRun : private TransferTask, private TransferRun {
public:
    ReadRun(FTPClient& client, const ReadRequest& request, const ReadSink& sink)
        : TransferRun(client, *this, Direction::kDownload), m_request(request), m_sink(sink) {}
    ReadResult run();

private:
    bool setUp(ReadResult& result);
    ReadResult::End receive(ReadResult& result);

    const ReadRequest& m_request;
    const ReadSink& m_sink;
};

}  // namespace nubexa

#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ftp/transfer_run.h"

namespace nubexa {

class LocalFile;
class Md5Digest;
class UploadRegistrar;

// One run of FTPClient::Upload.
class UploadRun : private TransferRun {
public:
    UploadRun(FTPClient& client, TransferTask& task, UploadRegistrar* registrar)
        : TransferRun(client, task, Direction::kUpload), m_registrar(registrar) {}
    int run();

private:
    enum class DataEnd { Sent, Stopped, Unfinished };

    std::int64_t resumeOffset(std::int64_t localSize);
    bool setUp(std::int64_t& offset);
    // Whether the data connection was made; a reply without an address ends the connection.
    bool connected(Passive passive);
    bool skip(LocalFile& file, std::int64_t offset, Md5Digest* digest);
    DataEnd send(LocalFile& file, ProgressReporter& reporter, std::int64_t& done, std::int64_t size,
                 Md5Digest* digest);
    int finish(ProgressReporter& reporter, std::int64_t size, Md5Digest* digest);
    int finishWithoutData(LocalFile& file, std::int64_t size);
    // `id`: what the registration gave already, else it is made here.
    int allBytesStored(ProgressReporter& reporter, std::int64_t size, Md5Digest* digest,
                       std::optional<std::string> id);
    // The file's id from the registrar; empty when refused.
    std::string registerFile(std::int64_t size, const std::string& hash);
    // After the registration gave `id` (empty: refused).
    int renameToId(ProgressReporter& reporter, std::int64_t size, const std::string& id);

    UploadRegistrar* m_registrar;
};

}  // namespace nubexa

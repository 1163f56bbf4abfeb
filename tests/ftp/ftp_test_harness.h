#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "ftp/ftp_client.h"
#include "ftp/partial_name.h"
#include "ftp/transfer_task.h"
#include "platform/notifier.h"
#include "store/store_gate.h"
#include "store/task_table.h"
#include "support/temp_dir.h"
#include "transfer/row_progress.h"

namespace nubexa::test {

// Bytes that differ at every offset, so that a shifted or repeated block shows.
std::string patternBytes(std::size_t size, unsigned seed = 1);

// A real bin.db in a temporary folder, a recording notifier, and task rows whose local files
// live in local().
class FtpTest : public ::testing::Test {
protected:
    FtpTest();

    // Short time limits so that failure cases end quickly; no trace.
    static FtpOptions fastOptions();
    std::unique_ptr<FTPClient> makeClient(std::uint16_t port, FtpOptions options = fastOptions(),
                                          int serverKind = 0, const std::string& user = "u",
                                          const std::string& password = "p");

    std::string local() const { return m_dir.file("local"); }
    std::string localFile(const std::string& name) const { return local() + "/" + name; }
    // Where an unfinished download of `name` keeps its bytes.
    std::string partialFile(const std::string& name) const {
        return localFile(partialNameOf(name));
    }

    // Inserts a running task row and returns it as a worker loads it.
    TransferTask addDownload(const std::string& remoteName, const std::string& localName,
                             std::int64_t size);
    TransferTask addUpload(const std::string& localName, std::int64_t size,
                           const std::string& parentId = "12");
    // Records progress as an earlier run would have left it.
    void recordDone(std::int64_t id, std::int64_t done, std::int64_t size);
    StoredTask row(std::int64_t id);
    TransferTask reload(std::int64_t id) { return makeTransferTask(row(id)); }
    void setStatusPaused(std::int64_t id);
    void setStatusDeleted(std::int64_t id);

    TempDir m_dir;
    StoreGate m_gate;
    RowProgress m_rows{m_gate};
    RecordingNotifier m_notifier;
};

}  // namespace nubexa::test

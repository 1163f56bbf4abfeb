#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
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

// The FTP dialogue of a client and the connections it signs in beside it, from any thread.
class SharedTrace {
public:
    std::function<void(const std::string&)> sink() {
        return [this](const std::string& text) {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_text += text;
        };
    }
    bool contains(const std::string& text) {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_text.find(text) != std::string::npos;
    }

private:
    std::mutex m_mutex;
    std::string m_text;
};

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
    std::vector<TaskRange> savedRanges(std::int64_t id);

    // Options that split a file of a few MiB into ranges: 1 MiB and more, ranges of 256 KiB.
    static FtpOptions rangedOptions(FtpOptions options = fastOptions());
    // A download of `bytes` (the server's `remoteName`) over four connections, paused while
    // at least two ranges are partly done, then run again by a new client over two
    // connections: each partly done range goes on from its recorded byte (its REST is in the
    // trace) and the file is byte-exact. `connect` signs in with the options given, in the
    // file's folder.
    using Connect = std::function<std::unique_ptr<FTPClient>(const FtpOptions&)>;
    void pausedRangesResumeByteExact(const Connect& connect, const std::string& remoteName,
                                     const std::string& bytes);
    void setStatusDeleted(std::int64_t id);

    TempDir m_dir;
    StoreGate m_gate;
    RowProgress m_rows{m_gate};
    RecordingNotifier m_notifier;
};

}  // namespace nubexa::test

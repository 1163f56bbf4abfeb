#pragma once

#include <cstdint>
#include <string>

#include "standin/store/content_area.h"
#include "standin/store/disk_model.h"
#include "standin/store/sql_database.h"

namespace nubexa::standin {

struct UploadRequest {
    std::string name;  // without the extension
    std::string ext;   // with its dot, or empty
    std::int64_t size = 0;
    std::int64_t folderId = 0;
    std::string md5;  // 32 hex characters, any case
};

// FileAdd: registers a file whose bytes arrive through the file server. A registration that
// repeats a waiting or finalised one (same folder, name, extension, size and digest) gets that
// file's id back; a taken name gets a number ("name (2).ext"). The quota counts finalised
// files and waiting registrations. Works inside the caller's transaction.
class UploadRegistry {
public:
    UploadRegistry(SqlTx& tx, std::int64_t accountId) : m_tx(tx), m_accountId(accountId) {}

    Outcome registerFile(const UploadRequest& request, std::int64_t& fileId);

    // Registrations never finalised within this many seconds stop holding quota.
    static constexpr std::int64_t kPendingLifetime = 7 * 86400;

private:
    SqlTx& m_tx;
    std::int64_t m_accountId;
};

// The end of an upload: the staged bytes of (account, folder, stored name) become the content
// of the registered file `fileId` when their size and MD5 match the registration; the file
// then shows in its folder. A mismatch keeps the staged bytes for another try. When the file is
// finalised already, staged bytes that match are simply dropped. Holds the database only for
// short transactions; the digest is computed between them.
Outcome finalizeUpload(SqlDatabase& database, const ContentArea& content, std::int64_t accountId,
                       std::int64_t fileId, const std::string& ext, const std::string& stagedPath);

// A finalised, live file of the account named by id and extension ("815.jpg").
std::optional<FileRow> readyFileByIdName(SqlTx& tx, std::int64_t accountId,
                                         const std::string& idName);

}  // namespace nubexa::standin

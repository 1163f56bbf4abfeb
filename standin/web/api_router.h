#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "standin/service_context.h"
#include "standin/store/disk_model.h"
#include "standin/web/raw_query.h"
#include "standin/web/xml_answer.h"

namespace nubexa::standin {

// One web operation being answered. Everything the handler does with the data is one
// transaction, opened by the first tx(); work that must only happen once it committed (removing
// freed bytes, writing a mail) goes to afterCommit.
struct ApiCall {
    const ServiceContext& service;
    const RawQuery& query;
    const std::string& peer;     // the address the request came from
    std::int64_t accountId = 0;  // the verified uid of a signed operation
    std::vector<std::function<void()>> afterCommit;
    std::unique_ptr<SqlTx> transaction;

    SqlTx& tx() {
        if (!transaction)
            transaction = std::make_unique<SqlTx>(service.database);
        return *transaction;
    }
};

enum class Signing {
    None,      // Login, APILogin
    Values,    // MD5 of every value before "sign", uid and token included, as sent or decoded
    HashOnly,  // FileAdd: MD5 of its "hash" value
};

struct ApiOperation {
    std::string path;               // "/fileservice.asmx/FolderMove"
    std::vector<std::string> keys;  // required besides uid, token and sign
    Signing signing = Signing::Values;
    std::function<XmlAnswer(ApiCall&)> handler;
};

// Finds the operation of a path (compared without regard to case, as the service's .asmx
// paths are), checks the parameters, uid, token and sign, runs the handler in a transaction
// and commits only successful answers.
class ApiRouter {
public:
    explicit ApiRouter(const ServiceContext& service) : m_service(service) {}

    void add(ApiOperation operation);

    // nullopt when the path names no operation. `note` receives a short text for the log.
    std::optional<std::string> answer(std::string_view path, std::string_view rawQuery,
                                      const std::string& peer, std::string& note) const;

    static constexpr std::size_t kMaxParameters = 64;

private:
    XmlAnswer run(const ApiOperation& operation, const RawQuery& query, const std::string& peer,
                  std::int64_t& uid) const;

    const ServiceContext& m_service;
    std::map<std::string, ApiOperation> m_operations;
};

// Registers one operation under its folder and file names ("FolderRename", "FileRename") with
// their id keys ("dirid", "fid") first, then the shared keys.
using KindHandler = XmlAnswer (*)(ApiCall&, ItemKind, const char* idKey);
void addFolderAndFileOperation(ApiRouter& router, const std::string& folderOperation,
                               const std::string& fileOperation,
                               const std::vector<std::string>& sharedKeys, KindHandler handler,
                               const char* folderKey, const char* fileKey);

// Feature files register their operations here.
void addAccountOperations(ApiRouter& router);
void addListingOperations(ApiRouter& router);
void addItemOperations(ApiRouter& router);
void addSharingOperations(ApiRouter& router);

}  // namespace nubexa::standin

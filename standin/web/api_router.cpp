#include "standin/web/api_router.h"

#include "standin/store/session_store.h"
#include "standin/util/crypto_util.h"
#include "standin/util/text_util.h"

namespace nubexa::standin {

namespace {

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

bool sameHex(const std::string& expected, const std::string& given) {
    return expected.size() == given.size() && lower(expected) == lower(given);
}

}  // namespace

void ApiRouter::add(ApiOperation operation) {
    const std::string key = lower(operation.path);
    m_operations.emplace(key, std::move(operation));
}

XmlAnswer ApiRouter::run(const ApiOperation& operation, const RawQuery& query,
                         const std::string& peer, std::int64_t& uid) const {
    if (query.size() > kMaxParameters)
        return XmlAnswer::refusal("参数太多");
    std::vector<std::string> required = operation.keys;
    if (operation.signing != Signing::None)
        required.insert(required.end(), {"uid", "token", "sign"});
    for (const auto& key : required) {
        if (!query.has(key))
            return XmlAnswer::refusal("缺少参数：" + key);
    }

    ApiCall call{m_service, query, peer, 0, {}, nullptr};
    if (operation.signing != Signing::None) {
        const auto parsedUid = parseCount(query.decoded("uid"));
        if (!parsedUid ||
            !SessionStore(call.tx()).tokenBelongsTo(*parsedUid, query.decoded("token")))
            return XmlAnswer::refusal("登录已失效，请重新登录");
        // Clients sign the values either as they put them into the URL or as they mean them
        // (decoded); the sign holds no secret, so either form proves the same.
        const std::string sign = query.raw("sign");
        const bool signedRight = operation.signing == Signing::HashOnly
                                     ? sameHex(md5Hex(query.decoded("hash")), sign)
                                     : sameHex(md5Hex(query.signedText()), sign) ||
                                           sameHex(md5Hex(query.decodedSignedText()), sign);
        if (!signedRight)
            return XmlAnswer::refusal("签名错误");
        call.accountId = *parsedUid;
        uid = *parsedUid;
    }

    XmlAnswer answer = operation.handler(call);
    uid = call.accountId;
    if (!answer.ok())
        return answer;
    if (call.transaction && !call.transaction->commit()) {
        m_service.log.line("database: " + call.transaction->error());
        return XmlAnswer::refusal("服务器忙，请稍后再试");
    }
    // The database is free before the follow-up work, which may need it again.
    call.transaction.reset();
    for (const auto& action : call.afterCommit)
        action();
    return answer;
}

std::optional<std::string> ApiRouter::answer(std::string_view path, std::string_view rawQuery,
                                             const std::string& peer, std::string& note) const {
    const auto found = m_operations.find(lower(path));
    if (found == m_operations.end())
        return std::nullopt;
    const RawQuery query(rawQuery);
    std::int64_t uid = 0;
    const XmlAnswer answer = run(found->second, query, peer, uid);
    note = "uid=" + std::to_string(uid) + " result=" + (answer.ok() ? "1" : "0");
    if (!answer.ok() && !answer.message().empty())
        note += " msg=" + answer.message();
    return answer.render();
}

void addFolderAndFileOperation(ApiRouter& router, const std::string& folderOperation,
                               const std::string& fileOperation,
                               const std::vector<std::string>& sharedKeys, KindHandler handler,
                               const char* folderKey, const char* fileKey) {
    for (const ItemKind kind : {ItemKind::Folder, ItemKind::File}) {
        const bool folder = kind == ItemKind::Folder;
        const char* idKey = folder ? folderKey : fileKey;
        std::vector<std::string> keys{idKey};
        keys.insert(keys.end(), sharedKeys.begin(), sharedKeys.end());
        router.add({"/fileservice.asmx/" + (folder ? folderOperation : fileOperation), keys,
                    Signing::Values,
                    [handler, kind, idKey](ApiCall& call) { return handler(call, kind, idKey); }});
    }
}

}  // namespace nubexa::standin

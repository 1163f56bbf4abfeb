#include "transfer/service_registrar.h"

#include "service/service_client.h"

namespace nubexa {

namespace {

constexpr const char* kServiceBusy = "服务器忙，请稍后再试";

// A refusal without words, or one for load, may pass later; every other one names something
// about the file or the account that sending it again does not change.
bool mayPassLater(const std::string& message) {
    return message.empty() || message == kServiceBusy;
}

}  // namespace

std::string ServiceRegistrar::registerUpload(const std::string& name, const std::string& ext,
                                             std::int64_t size, const std::string& dirid,
                                             const std::string& hash) {
    m_refusal.clear();
    for (bool renewed = false;; renewed = true) {
        const auto added =
            m_service.addFile(m_uid, m_token, name, ext, std::to_string(size), dirid, hash);
        if (added.ok())
            return added.value.id;
        if (added.failure != Failure::kRefused)
            return {};
        const std::string& why = added.value.message;
        if (why == kSessionEnded && !renewed && m_renew && m_renew(m_token)) {
            const AccountInfo account = m_service.account();
            m_uid = account.uid;
            m_token = account.token;
            continue;
        }
        if (!mayPassLater(why))
            m_refusal = why;
        return {};
    }
}

}  // namespace nubexa

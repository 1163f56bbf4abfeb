#include "transfer/service_registrar.h"

#include "service/service_client.h"

namespace nubexa {

std::string ServiceRegistrar::registerUpload(const std::string& name, const std::string& ext,
                                             std::int64_t size, const std::string& dirid,
                                             const std::string& hash) {
    std::string id;
    if (m_service.FileAdd(m_uid, m_token, name, ext, std::to_string(size), dirid, hash, id) != 1)
        return {};
    return id;
}

}  // namespace nubexa

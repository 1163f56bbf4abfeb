#pragma once

#include <string>

#include "ftp/upload_registrar.h"

namespace nubexa {

class ServiceClient;

// Registers uploads with FileAdd as the signed-in user whose uid and token it was given.
// Used by one transfer thread; FileAdd itself is safe on any thread.
class ServiceRegistrar : public UploadRegistrar {
public:
    ServiceRegistrar(const ServiceClient& service, std::string uid, std::string token)
        : m_service(service), m_uid(std::move(uid)), m_token(std::move(token)) {}

    std::string registerUpload(const std::string& name, const std::string& ext, std::int64_t size,
                               const std::string& dirid, const std::string& hash) override;

private:
    const ServiceClient& m_service;
    const std::string m_uid;
    const std::string m_token;
};

}  // namespace nubexa

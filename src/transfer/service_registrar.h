#pragma once

#include <functional>
#include <string>

#include "ftp/upload_registrar.h"
#include "service/service_result.h"

namespace nubexa {

class ServiceClient;

// Signs in again after the service ended the session whose token is given; true when the
// service client now holds a new session (made by this call or by another thread meanwhile).
using SessionRenewal = std::function<bool(const std::string& staleToken)>;

// Registers uploads with FileAdd as the signed-in user whose uid and token it was given. A
// session the service ended is renewed once through `renew` and the registration repeated.
// Used by one transfer thread; FileAdd itself is safe on any thread.
class ServiceRegistrar : public UploadRegistrar {
public:
    ServiceRegistrar(const ServiceClient& service, std::string uid, std::string token,
                     SessionRenewal renew = {})
        : m_service(service),
          m_uid(std::move(uid)),
          m_token(std::move(token)),
          m_renew(std::move(renew)) {}

    std::string registerUpload(const std::string& name, const std::string& ext, std::int64_t size,
                               const std::string& dirid, const std::string& hash) override;
    std::string refusal() const override { return m_refusal; }

private:
    const ServiceClient& m_service;
    std::string m_uid;
    std::string m_token;
    SessionRenewal m_renew;
    std::string m_refusal;
};

}  // namespace nubexa

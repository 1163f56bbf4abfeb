#pragma once

#include <memory>
#include <string>

#include "standin/service_options.h"
#include "standin/util/outcome.h"

namespace nubexa::standin {

struct ServiceParts;

// The whole stand-in service: data folder, database, web server and file server. Tests start
// it in their own process on port 0; the program wraps it. start() and stop() are called from
// one thread; stop() joins every thread the service started.
class StandinService {
public:
    explicit StandinService(ServiceOptions options);
    ~StandinService();
    StandinService(const StandinService&) = delete;
    StandinService& operator=(const StandinService&) = delete;

    // Fails with a clear message when the data folder is not writable or in use, or a port
    // cannot be had; nothing keeps running then.
    Outcome start();
    void stop();

    int httpPort() const;
    int ftpPort() const;
    // "nubexa-service listening http=127.0.0.1:40123 ftp=127.0.0.1:40124 data=DIR/": the
    // addresses the servers listen on.
    std::string listeningLine() const;
    const std::string& dataFolder() const { return m_options.dataFolder; }
    // The local authority's certificate after --tls-self-signed; empty otherwise.
    const std::string& tlsAuthority() const { return m_options.tls.authority; }

private:
    Outcome prepareDataFolder();
    void tightenDataFolder();
    Outcome prepareTls();

    ServiceOptions m_options;
    std::unique_ptr<ServiceParts> m_parts;
};

}  // namespace nubexa::standin

#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "canned_server.h"
#include "service/service_client.h"
#include "support/temp_dir.h"

namespace nubexa::test {

// A client pointed at a canned server, with a temporary program folder for avatars.
class ServiceTest : public ::testing::Test {
protected:
    ServiceClient& client() {
        if (!m_client) {
            ServiceConfig config;
            config.apiHost = m_server.host();
            m_client = std::make_unique<ServiceClient>(config, programFolder(), m_options);
        }
        return *m_client;
    }

    std::string programFolder() const { return m_dir.path() + "/"; }

    // The targets that reached `path`.
    std::vector<std::string> sent(const std::string& path) const {
        return m_server.targetsOf(path);
    }

    CannedServer m_server;
    TempDir m_dir;
    FrameOptions m_options;
    std::unique_ptr<ServiceClient> m_client;
};

}  // namespace nubexa::test

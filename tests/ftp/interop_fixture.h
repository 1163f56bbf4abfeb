#pragma once

#include "ftp_test_harness.h"
#include "pure_ftpd.h"

namespace nubexa::test {

// A real pure-ftpd per test, and clients signed in to it.
class PureFtpdTest : public FtpTest {
protected:
    void SetUp() override {
        if (!m_server.ready())
            GTEST_SKIP() << m_server.problem();
    }

    std::unique_ptr<FTPClient> signedIn(FtpOptions options = fastOptions()) {
        auto client = makeClient(m_server.port(), options, 0, PureFtpd::kUser, PureFtpd::kPassword);
        EXPECT_TRUE(client->FtpLogin());
        EXPECT_TRUE(client->Syst());
        return client;
    }

    PureFtpd m_server;
};

}  // namespace nubexa::test

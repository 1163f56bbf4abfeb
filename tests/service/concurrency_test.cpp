#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "service_fixture.h"

namespace nubexa::test {
namespace {

// Transfer threads register uploads with their own copies of uid and token while the UI thread
// signs in and out and lists; every registration gets its answer and the shared state stays
// whole.
TEST_F(ServiceTest, FileAddOnWorkersRunsBesideSignInAndListingsOnTheUiThread) {
    m_server.answer("/OAuthService.asmx/Login", accepted("<client uid=\"42\" token=\"T\"/>"));
    m_server.answer("/UserService.asmx/GetFiles",
                    accepted("<files><file id=\"1\" name=\"a\"/></files><folders/>"));
    m_server.answer("/fileservice.asmx/FileAdd", accepted("<file id=\"77\"/>"));
    ASSERT_EQ(client().signIn("alice", "pw").value, 1);

    std::atomic<int> registered{0};
    std::vector<std::thread> workers;
    for (int w = 0; w < 3; ++w) {
        // Each worker gets its copy when it starts, as a transfer does.
        workers.emplace_back([&, mine = client().account()] {
            for (int i = 0; i < 15; ++i) {
                std::string id;
                if (client().FileAdd(mine.uid, mine.token, "f", ".bin", "1", "0", "H", id) == 1 &&
                    id == "77") {
                    ++registered;
                }
            }
        });
    }
    for (int i = 0; i < 15; ++i) {
        client().ResetAccount();
        client().signIn("alice", "pw");
        client().GetFiles("42", "T", "0", "name", "0");
        client().updateAccount([](AccountInfo& a) { a.sort_order = "time"; });
        EXPECT_EQ(client().tables().disk_files[0].name, "a");
    }
    for (auto& worker : workers)
        worker.join();
    EXPECT_EQ(registered.load(), 45);
    for (const auto& target : sent("/fileservice.asmx/FileAdd"))
        EXPECT_EQ(queryValue(target, "uid"), "42");
    EXPECT_EQ(client().account().uid, "42");
}

}  // namespace
}  // namespace nubexa::test

// Answers that arrive late or for another sign-in, and callers that call back into the client.
#include <gtest/gtest.h>

#include <cstdlib>
#include <future>
#include <thread>

#include "endpoints.h"
#include "service_fixture.h"

namespace nubexa::test {
namespace {

std::string oneFile(const std::string& name) {
    return accepted("<files><file id=\"1\" name=\"" + name + "\"/></files><folders/>");
}

ListingRequest listing(ListingKind kind) {
    return {kind, "42", "T", "name", "0", "0", {}};
}

TEST_F(ServiceTest, AListingAnsweredAfterANewerOneIsDropped) {
    m_server.answer(kRecycle, oneFile("old"));
    m_server.answer(kGetFiles, oneFile("new"));
    m_server.hold(kRecycle);
    client();  // made before the threads share it
    auto late = std::async(std::launch::async,
                           [&] { return client().fetchListing(listing(ListingKind::kRecycle)); });
    ASSERT_TRUE(m_server.waitForRequests(kRecycle, 1));

    EXPECT_TRUE(client().fetchListing(listing(ListingKind::kFolder)).ok());
    m_server.release(kRecycle);
    const auto dropped = late.get();
    EXPECT_EQ(dropped.failure, Failure::kStale);
    EXPECT_EQ(client().tablesSnapshot()->disk_files[0].name, "new");

    // In order, each answer is taken.
    EXPECT_TRUE(client().fetchListing(listing(ListingKind::kRecycle)).ok());
    EXPECT_EQ(client().tablesSnapshot()->disk_files[0].name, "old");
}

TEST_F(ServiceTest, AnswersForTheUserWhoLeftAreDropped) {
    m_server.answer(kGetFiles, oneFile("theirs"));
    m_server.answer(kUserInfo, accepted("<user><Nickname>them</Nickname>"
                                        "<UploadSize>10</UploadSize></user>"));
    m_server.hold(kGetFiles);
    m_server.hold(kUserInfo);
    client();  // made before the threads share it
    auto files = std::async(std::launch::async,
                            [&] { return client().fetchListing(listing(ListingKind::kFolder)); });
    auto info = std::async(std::launch::async, [&] { return client().fetchUserInfo("42", "T"); });
    ASSERT_TRUE(m_server.waitForRequests(kGetFiles, 1));
    ASSERT_TRUE(m_server.waitForRequests(kUserInfo, 1));

    client().ResetAccount();
    m_server.release(kGetFiles);
    m_server.release(kUserInfo);
    EXPECT_EQ(files.get().failure, Failure::kStale);
    EXPECT_EQ(info.get().failure, Failure::kStale);
    EXPECT_EQ(client().tablesSnapshot()->disk_files[0].id, kEndMarkId);
    const AccountInfo account = client().account();
    EXPECT_EQ(account.nickname, "");
    EXPECT_FALSE(account.upload_size.has_value());
}

// Runs `body` on a thread of its own; a deadlock fails the test instead of hanging the run.
void withinTenSeconds(const std::function<void()>& body) {
    std::promise<void> done;
    auto finished = done.get_future();
    std::thread([&body, done = std::move(done)]() mutable {
        body();
        done.set_value();
    }).detach();
    if (finished.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        ADD_FAILURE() << "deadlocked";
        std::abort();  // the stuck thread still uses the client
    }
}

TEST_F(ServiceTest, CallbacksMayCallBackIntoTheClient) {
    m_server.answer(kGetFiles, oneFile("a"));
    withinTenSeconds([&] {
        client().updateAccount([&](AccountInfo& a) { a.nickname = client().account().uid + "x"; });
        client().readTables([&](const DiskTables&) {
            client().updateAccount([](AccountInfo& a) { a.sort_order = "time"; });
            client().GetFiles("42", "T", "0", "name", "0");
        });
    });
    EXPECT_EQ(client().account().nickname, "x");
    EXPECT_EQ(client().account().sort_order, "time");
    EXPECT_EQ(client().tables().disk_files[0].name, "a");
}

TEST_F(ServiceTest, ConcurrentAccountChangesAreNeverLost) {
    client();  // made before the threads share it
    std::vector<std::thread> writers;
    for (int w = 0; w < 4; ++w) {
        writers.emplace_back([&] {
            for (int i = 0; i < 500; ++i)
                client().updateAccount([](AccountInfo& a) { ++a.draw_count; });
        });
    }
    for (auto& writer : writers)
        writer.join();
    EXPECT_EQ(client().account().draw_count, 2000);
}

}  // namespace
}  // namespace nubexa::test

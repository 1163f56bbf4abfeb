// The database and the web side under time limits: a transaction opened inside another fails
// instead of waiting for ever, waits for the database end at their limit, and a request that
// runs past its limit is reported.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <mutex>
#include <thread>

#include "standin/store/sql_database.h"
#include "standin/util/thread_deadline.h"
#include "standin/web/request_watch.h"
#include "support/temp_dir.h"

namespace nubexa::test {
namespace {

using namespace std::chrono_literals;
using standin::SqlTx;
using Clock = std::chrono::steady_clock;

std::int64_t rows(standin::SqlDatabase& database) {
    SqlTx tx(database);
    return tx.scalar(-1, "SELECT COUNT(*) FROM t");
}

constexpr std::chrono::milliseconds kWaitLimit{1000};

class SqlDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        // A limit far above the deadline below, so a loaded machine cannot blur the two.
        m_database = standin::SqlDatabase::open(m_dir.file("test.db"), error, kWaitLimit);
        ASSERT_TRUE(m_database) << error;
        SqlTx tx(*m_database);
        tx.exec("CREATE TABLE t (x INTEGER)");
        ASSERT_TRUE(tx.commit());
    }

    TempDir m_dir;
    std::unique_ptr<standin::SqlDatabase> m_database;
};

// The shape of the share page's fault: a transaction held while a helper opens its own.
TEST_F(SqlDatabaseTest, ATransactionOpenedInsideAnotherFailsAtOnce) {
    std::promise<bool> finished;
    auto done = finished.get_future();
    std::thread([&] {
        bool refused = false;
        {
            SqlTx outer(*m_database);
            outer.exec("INSERT INTO t VALUES (1)");
            try {
                SqlTx inner(*m_database);
            } catch (const standin::SqlNestedTransaction&) {
                refused = true;
            }
            // The outer one goes on as if nothing happened.
            outer.exec("INSERT INTO t VALUES (2)");
            refused = refused && outer.commit();
        }
        finished.set_value(refused);
    }).detach();
    ASSERT_EQ(done.wait_for(10s), std::future_status::ready) << "the inner transaction waits";
    EXPECT_TRUE(done.get());
    EXPECT_EQ(rows(*m_database), 2);
}

TEST_F(SqlDatabaseTest, WaitsForTheDatabaseEndAtTheLimitOrTheThreadsDeadline) {
    std::promise<void> held;
    std::promise<void> release;
    std::thread holder([&] {
        SqlTx tx(*m_database);
        held.set_value();
        release.get_future().wait();
    });
    held.get_future().wait();
    auto timed = [&] {
        const auto start = Clock::now();
        EXPECT_THROW(SqlTx tx(*m_database), standin::SqlUnavailable);
        return Clock::now() - start;
    };
    const auto byLimit = timed();
    EXPECT_GE(byLimit, kWaitLimit - 50ms);
    {
        standin::ThreadDeadline::Scope request(100ms);
        const auto byDeadline = timed();
        EXPECT_GE(byDeadline, 50ms);
        EXPECT_LT(byDeadline, kWaitLimit - 50ms) << "the request's deadline ended the wait";
    }
    release.set_value();
    holder.join();

    // Past its deadline a request's next statement fails it, and what it wrote is undone.
    {
        standin::ThreadDeadline::Scope request(50ms);
        SqlTx tx(*m_database);
        tx.exec("INSERT INTO t VALUES (1)");
        std::this_thread::sleep_for(80ms);
        EXPECT_THROW(tx.exec("INSERT INTO t VALUES (2)"), standin::SqlUnavailable);
        EXPECT_FALSE(tx.commit());
    }
    EXPECT_EQ(rows(*m_database), 0);
}

TEST(RequestWatchTest, ARequestPastItsLimitIsReportedOnceAndOneInTimeIsNot) {
    std::mutex mutex;
    std::vector<std::string> reported;
    standin::RequestWatch watch(100ms, [&](const standin::RequestWatch::Request& late) {
        std::lock_guard lock(mutex);
        reported.push_back(late.what);
    });
    std::thread slow([&] {
        watch.begin({"GET /slow", "127.0.0.1", 40000, 8080});
        EXPECT_TRUE(standin::ThreadDeadline::get().has_value());
        std::this_thread::sleep_for(400ms);
        EXPECT_TRUE(standin::ThreadDeadline::passed());
        watch.end();
        EXPECT_FALSE(standin::ThreadDeadline::get().has_value());
    });
    std::thread quick([&] {
        watch.begin({"GET /quick", "127.0.0.1", 40001, 8080});
        watch.end();
    });
    slow.join();
    quick.join();
    std::lock_guard lock(mutex);
    EXPECT_EQ(reported, std::vector<std::string>{"GET /slow"});
}

}  // namespace
}  // namespace nubexa::test

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "store_fixture.h"

namespace nubexa::test {
namespace {

class StoreConcurrency : public StoreTest {};

TEST_F(StoreConcurrency, BracketsOfTwoThreadsRunOneAfterTheOther) {
    const auto id = addTask(ran_type::kUpload, "u1", task_status::kRunning, 1 << 20);
    std::atomic<int> inside{0};
    std::atomic<int> overlaps{0};
    auto worker = [&](int offset) {
        for (int i = 0; i < 300; ++i) {
            gate().run([&](LocalStore& s) {
                if (inside.fetch_add(1) != 0)
                    ++overlaps;
                if (gate().busyFlag() != 1)
                    ++overlaps;
                TaskTable tasks(s);
                tasks.writeProgress({id, 1 << 20, i * 2 + offset, 0, 1});
                tasks.readStatus(id);
                inside.fetch_sub(1);
            });
        }
    };
    std::thread first(worker, 0);
    std::thread second(worker, 1);
    first.join();
    second.join();
    EXPECT_EQ(overlaps.load(), 0);
    EXPECT_EQ(gate().busyFlag(), 0);
}

TEST_F(StoreConcurrency, FourWritersAndAReaderKeepEveryRowWhole) {
    constexpr int kWriters = 4;
    constexpr int kWrites = 250;
    std::vector<std::int64_t> ids;
    for (int i = 0; i < kWriters; ++i) {
        ids.push_back(addTask(i % 2 ? ran_type::kUpload : ran_type::kDownload, "u1",
                              task_status::kRunning, kWrites));
    }
    std::atomic<bool> stop{false};
    std::atomic<int> badRows{0};
    std::thread reader([&] {
        while (!stop) {
            gate().run([&](LocalStore& s) {
                TaskTable tasks(s);
                for (const auto& rows : {tasks.listUploads("u1"), tasks.listDownloads("u1")}) {
                    for (const auto& row : rows) {
                        if (row.transferSize != row.schedule)
                            ++badRows;  // written as one row
                    }
                }
            });
        }
    });
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w) {
        writers.emplace_back([&, w] {
            for (int done = 1; done <= kWrites; ++done) {
                gate().run([&](LocalStore& s) {
                    TaskTable tasks(s);
                    // done doubles as the percentage so that the reader can check the pair.
                    const TaskProgress p{ids[w], kWrites, done, done, 5};
                    if (w % 2) {
                        tasks.writeProgressInTransaction(p);
                    } else {
                        tasks.writeProgress(p);
                    }
                    tasks.readStatus(ids[w]);
                });
            }
        });
    }
    for (auto& t : writers)
        t.join();
    stop = true;
    reader.join();
    EXPECT_EQ(badRows.load(), 0);
    for (auto id : ids)
        EXPECT_EQ(load(id).transferSize, kWrites);
}

}  // namespace
}  // namespace nubexa::test

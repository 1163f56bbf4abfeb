#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "store/local_store.h"
#include "store/store_gate.h"
#include "store/task_table.h"
#include "support/temp_dir.h"

namespace nubexa::test {

// A real bin.db in a temporary folder with a gate over it.
class StoreTest : public ::testing::Test {
protected:
    StoreTest() : m_gate(std::make_unique<StoreGate>(dbPath(), StoreOptions{200})) {}

    std::string dbPath() const { return m_dir.file("bin.db"); }
    StoreGate& gate() { return *m_gate; }

    // Inserts a task row and returns its id.
    std::int64_t addTask(int ranType, const std::string& userId, int status,
                         std::int64_t size = 4096) {
        return gate().run([&](LocalStore& store) {
            TaskTable tasks(store);
            NewTaskRow row{userId, "/home/u/", "f.bin", "f.bin", size, status, "\\", "0"};
            if (ranType == ran_type::kUpload) {
                tasks.insertFileUpload(row);
            } else {
                tasks.insertFileDownload(row);
            }
            return tasks.lastInsertedId();
        });
    }

    StoredTask load(std::int64_t id) {
        auto task = gate().run([&](LocalStore& store) { return TaskTable(store).load(id); });
        EXPECT_TRUE(task.has_value()) << "task " << id;
        return task.value_or(StoredTask{});
    }

    // Runs one raw SQL text for set-up that no statement of the catalogue does.
    void rawExec(const std::string& sql) {
        gate().run([&](LocalStore& store) { ASSERT_TRUE(store.exec(sql.c_str())) << sql; });
    }

    TempDir m_dir;
    std::unique_ptr<StoreGate> m_gate;
};

}  // namespace nubexa::test

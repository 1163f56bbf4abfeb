#include "transfer/row_progress_flusher.h"

#include <utility>

#include "store/store_gate.h"
#include "store/task_table.h"

namespace nubexa {

RowProgressFlusher::RowProgressFlusher(StoreGate& gate)
    : m_gate(gate), m_thread([this] { run(); }) {}

RowProgressFlusher::~RowProgressFlusher() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void RowProgressFlusher::post(Entry entry) {
    {
        std::lock_guard lock(m_mutex);
        const std::int64_t id = entry.progress.id;
        m_posted.insert_or_assign(id, std::move(entry));
    }
    m_changed.notify_all();
}

std::optional<int> RowProgressFlusher::status(std::int64_t id) const {
    std::lock_guard lock(m_mutex);
    const auto found = m_statuses.find(id);
    if (found == m_statuses.end())
        return std::nullopt;
    return found->second;
}

void RowProgressFlusher::settle(std::int64_t id, bool writeHere) {
    std::optional<Entry> left;
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_writing.count(id) == 0; });
        const auto found = m_posted.find(id);
        if (found != m_posted.end()) {
            left = std::move(found->second);
            m_posted.erase(found);
        }
        m_statuses.erase(id);
    }
    if (left && writeHere)
        write({std::move(*left)}, false);
}

void RowProgressFlusher::run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [&] { return m_stopping || !m_posted.empty(); });
        if (m_posted.empty())
            return;  // stopping, with everything written
        std::vector<Entry> entries;
        entries.reserve(m_posted.size());
        for (auto& [id, entry] : m_posted) {
            m_writing.insert(id);
            entries.push_back(std::move(entry));
        }
        m_posted.clear();
        lock.unlock();
        write(entries, true);
        lock.lock();
        m_writing.clear();
        m_changed.notify_all();
    }
}

void RowProgressFlusher::write(const std::vector<Entry>& entries, bool noteStatuses) {
    std::vector<TaskProgress> plain;
    for (const Entry& entry : entries) {
        if (!entry.ranges)
            plain.push_back(entry.progress);
    }
    std::vector<std::pair<std::int64_t, int>> read;
    m_gate.run([&](LocalStore& store) {
        TaskTable tasks(store);
        // One commit for every transfer that has no ranges; those with ranges keep theirs with
        // the row's bytes in a transaction each.
        if (!plain.empty())
            tasks.writeProgressOfMany(plain);
        for (const Entry& entry : entries) {
            if (entry.ranges)
                tasks.writeProgress(entry.progress, *entry.ranges);
        }
        if (!noteStatuses)
            return;
        // A row that is gone leaves the last status as it was.
        for (const Entry& entry : entries) {
            if (const auto status = tasks.readStatus(entry.progress.id))
                read.emplace_back(entry.progress.id, *status);
        }
    });
    std::lock_guard lock(m_mutex);
    for (const auto& [id, status] : read)
        m_statuses[id] = status;
}

}  // namespace nubexa

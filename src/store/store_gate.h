#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <utility>

#include "store/local_store.h"
#include "store/store_options.h"

namespace nubexa {

// The one lock around every use of bin.db in the process. Every use is one bracket:
// acquire, run statements of the catalogue on store(), release (when the Bracket ends).
// Brackets never nest and never span network input or output.
//
// The connection is opened at the first bracket and kept open between brackets: a progress
// write then costs a cached statement and a WAL append, not an open, a schema read and an fsync.
// Any thread may acquire; a bracket belongs to the thread that acquired it.
class StoreGate {
public:
    class Bracket {
    public:
        Bracket(Bracket&& other) noexcept : m_gate(std::exchange(other.m_gate, nullptr)) {}
        Bracket& operator=(Bracket&&) = delete;
        Bracket(const Bracket&) = delete;
        ~Bracket();

        LocalStore& store() const { return m_gate->m_store; }

    private:
        friend class StoreGate;
        explicit Bracket(StoreGate& gate) : m_gate(&gate) {}
        StoreGate* m_gate;
    };

    explicit StoreGate(std::string databasePath, StoreOptions options = {});
    ~StoreGate();
    StoreGate(const StoreGate&) = delete;
    StoreGate& operator=(const StoreGate&) = delete;

    [[nodiscard]] Bracket acquire();

    // Runs `work(LocalStore&)` in one bracket and returns its result.
    template <typename Work>
    decltype(auto) run(Work&& work) {
        Bracket bracket = acquire();
        return std::forward<Work>(work)(bracket.store());
    }

    // 1 while some thread holds the gate, 0 otherwise.
    int busyFlag() const { return m_busy.load(std::memory_order_acquire); }

    const std::string& databasePath() const { return m_path; }

    // Closes the kept connection; the next bracket opens it again.
    void closeConnection();

private:
    void release();
    void openConnection();
    void leaveWriteAheadLog();

    const std::string m_path;
    const StoreOptions m_options;
    std::atomic<int> m_busy{0};
    std::mutex m_mutex;
    LocalStore m_store;
    bool m_ready = false;  // schema checked on the open connection
};

}  // namespace nubexa

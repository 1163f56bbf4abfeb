#include "store/store_gate.h"

#include <cstdio>
#include <cstdlib>

#include "store/schema.h"

namespace nubexa {

namespace {

// A bracket inside a bracket on the same thread would wait for itself forever.
thread_local const StoreGate* t_heldGate = nullptr;

}  // namespace

StoreGate::Bracket::~Bracket() {
    if (m_gate != nullptr)
        m_gate->release();
}

StoreGate::StoreGate(std::string databasePath, StoreOptions options)
    : m_path(std::move(databasePath)), m_options(options) {}

StoreGate::~StoreGate() {
    std::lock_guard lock(m_mutex);
    leaveWriteAheadLog();
    m_store.close();
}

void StoreGate::leaveWriteAheadLog() {
    // A closed bin.db is one plain file again: it can be copied, and read where its folder is
    // read-only (a file in WAL mode needs a shared-memory file beside it even for reading).
    // Another process still using the file keeps it in WAL mode; that is fine.
    if (m_store.isOpen())
        m_store.exec("PRAGMA journal_mode=DELETE;");
}

StoreGate::Bracket StoreGate::acquire() {
    if (t_heldGate == this) {
        std::fprintf(stderr, "bin.db: a bracket was opened inside another on the same thread\n");
        std::abort();
    }
    m_mutex.lock();
    m_busy.store(1, std::memory_order_release);
    t_heldGate = this;
    if (!m_ready)
        openConnection();
    return Bracket(*this);
}

void StoreGate::release() {
    t_heldGate = nullptr;
    m_busy.store(0, std::memory_order_release);
    m_mutex.unlock();
}

void StoreGate::closeConnection() {
    auto bracket = acquire();
    leaveWriteAheadLog();
    m_store.close();
    m_ready = false;
}

void StoreGate::openConnection() {
    if (!m_store.isOpen() && !m_store.open(m_path)) {
        m_store.reportError();
        return;
    }
    const auto outcome = StoreSchema::prepare(m_store, m_options.busyTimeoutMs);
    switch (outcome) {
        case StoreSchema::Outcome::Ready:
            m_ready = true;
            return;
        case StoreSchema::Outcome::Failed:
            return;  // tried again at the next bracket
        case StoreSchema::Outcome::Damaged:
            if (!m_options.setAsideDamaged) {
                std::fprintf(stderr, "bin.db: %s is damaged\n", m_path.c_str());
                m_ready = true;
                return;
            }
            break;
        case StoreSchema::Outcome::NotADatabase:
            break;
    }
    const bool damaged = outcome == StoreSchema::Outcome::Damaged;
    m_store.close();
    const std::string aside = StoreSchema::moveAside(m_path);
    if (aside.empty()) {
        std::fprintf(stderr, "bin.db: %s %s and could not be moved aside\n", m_path.c_str(),
                     damaged ? "is damaged" : "is not a database");
        // A damaged file is used as it is (what can be read still is), not judged again at
        // every bracket.
        if (damaged && m_store.open(m_path))
            m_ready = true;
        return;
    }
    std::fprintf(stderr, "bin.db: %s %s; kept it as %s and started a fresh one\n", m_path.c_str(),
                 damaged ? "was damaged" : "was not a database", aside.c_str());
    if (m_store.open(m_path) &&
        StoreSchema::prepare(m_store, m_options.busyTimeoutMs) == StoreSchema::Outcome::Ready) {
        m_ready = true;
    }
}

}  // namespace nubexa

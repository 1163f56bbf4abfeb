#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "session/transfer_rows_listener.h"

namespace nubexa {
class ClientSession;
}

namespace nubexa::pages {

// Brings the session's pushed task changes to the GUI thread: each change as it comes, in the
// order told, and progress at most once per kProgressInterval (the newest of each task), so
// that a fast transfer does not flood the event loop. Hears from construction to destruction;
// lives on the GUI thread.
class TransferRowsRelay : public QObject, public TransferRowsListener {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kProgressInterval{150};

    explicit TransferRowsRelay(ClientSession& session, QObject* parent = nullptr);
    // Waits for a call from the session in flight; nothing told after it arrives.
    ~TransferRowsRelay() override;

    // TransferRowsListener: any thread.
    void rowProgressed(const TransferRowProgress& progress) override;
    void rowChanged(const TransferRowChange& change) override;

signals:
    // On the GUI thread. A change drops its task's progress not yet handed on (a row paused
    // or ended does not take a step its worker made before).
    void progressed(const std::vector<nubexa::TransferRowProgress>& progress);
    void changed(const nubexa::TransferRowChange& change);

private:
    void startFlush();
    void flush();

    ClientSession& m_session;
    QTimer m_flushTimer;                                  // GUI thread
    std::chrono::steady_clock::time_point m_lastFlush{};  // GUI thread
    std::mutex m_mutex;
    std::unordered_map<std::int64_t, TransferRowProgress> m_pending;  // by task
    bool m_flushPosted = false;
};

}  // namespace nubexa::pages

#include "pages/transfer_rows_relay.h"

#include <algorithm>
#include <utility>

#include "session/client_session.h"

namespace nubexa::pages {

TransferRowsRelay::TransferRowsRelay(ClientSession& session, QObject* parent)
    : QObject(parent), m_session(session) {
    m_flushTimer.setSingleShot(true);
    connect(&m_flushTimer, &QTimer::timeout, this, &TransferRowsRelay::flush);
    m_session.addTransferRowsListener(*this);
}

TransferRowsRelay::~TransferRowsRelay() {
    // Before anything of this goes: what was posted already dies with the object.
    m_session.removeTransferRowsListener(*this);
}

void TransferRowsRelay::rowProgressed(const TransferRowProgress& progress) {
    {
        const std::lock_guard lock(m_mutex);
        m_pending[progress.taskId] = progress;
        if (std::exchange(m_flushPosted, true))
            return;
    }
    QMetaObject::invokeMethod(this, &TransferRowsRelay::startFlush, Qt::QueuedConnection);
}

void TransferRowsRelay::rowChanged(const TransferRowChange& change) {
    {
        const std::lock_guard lock(m_mutex);
        std::erase_if(m_pending, [&](const auto& entry) {
            const TransferRowProgress& pending = entry.second;
            if (change.taskId != 0)
                return pending.taskId == change.taskId;
            return !change.direction || pending.direction == *change.direction;
        });
    }
    QMetaObject::invokeMethod(
        this, [this, change] { emit changed(change); }, Qt::QueuedConnection);
}

void TransferRowsRelay::startFlush() {
    if (m_flushTimer.isActive())
        return;
    // The first step after a quiet while shows at once, the next ones an interval apart.
    const auto since = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - m_lastFlush);
    m_flushTimer.start(std::max(std::chrono::milliseconds(0), kProgressInterval - since));
}

void TransferRowsRelay::flush() {
    std::vector<TransferRowProgress> progress;
    {
        const std::lock_guard lock(m_mutex);
        m_flushPosted = false;
        progress.reserve(m_pending.size());
        for (auto& [id, step] : m_pending)
            progress.push_back(step);
        m_pending.clear();
    }
    m_lastFlush = std::chrono::steady_clock::now();
    if (!progress.empty())
        emit progressed(progress);
}

}  // namespace nubexa::pages

#pragma once

#include <atomic>

#include "store/direction.h"
#include "store/store_gate.h"

namespace nubexa {

// The two process-wide running counts: workers of each direction whose transfer is under way.
// Changed only by the worker while it holds the gate (the bracket is its proof), never below 0;
// anyone may read them at any time.
class RunningCounts {
public:
    void add(Direction direction, const StoreGate::Bracket& held);
    void remove(Direction direction, const StoreGate::Bracket& held);

    int of(Direction direction) const { return counter(direction).load(); }
    int uploads() const { return m_uploads.load(); }
    int downloads() const { return m_downloads.load(); }

private:
    std::atomic<int>& counter(Direction direction) {
        return direction == Direction::kUpload ? m_uploads : m_downloads;
    }
    const std::atomic<int>& counter(Direction direction) const {
        return direction == Direction::kUpload ? m_uploads : m_downloads;
    }

    std::atomic<int> m_uploads{0};
    std::atomic<int> m_downloads{0};
};

}  // namespace nubexa

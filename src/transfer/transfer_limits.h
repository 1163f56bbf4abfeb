#pragma once

#include <atomic>
#include <chrono>
#include <memory>

#include "ftp/rate_limiter.h"
#include "store/direction.h"
#include "store/user_records.h"
#include "transfer/pool_limit.h"

namespace nubexa {

// How fast and how many at once, per direction: the user's speed limits, each a rate limiter
// that every worker of its direction shares, and the transfers at once, each a pool that a
// server refusing a connection as too many lowers for a while. Any thread.
class TransferLimits {
public:
    // The limiters are the ones the workers' FTP options share.
    TransferLimits(std::shared_ptr<RateLimiter> uploads, std::shared_ptr<RateLimiter> downloads,
                   PoolLimit::Clock::duration poolHold);

    // Speeds in KB/s (0: none); running transfers follow within a data tick. Transfers at once
    // (0: kDefaultTransfers) bound the workers from the next start on: a lower number ends
    // workers as their tasks end.
    void set(const SpeedLimits& limits);
    SpeedLimits get() const;
    // True while the direction's speed limit is holding its transfers back.
    bool holding(Direction direction) const;
    // How many connections of `direction` may be open now.
    int transferLimit(Direction direction) const { return pool(direction).limit(); }
    PoolLimit& pool(Direction direction) {
        return direction == Direction::kUpload ? m_uploadPool : m_downloadPool;
    }
    const PoolLimit& pool(Direction direction) const {
        return direction == Direction::kUpload ? m_uploadPool : m_downloadPool;
    }

private:
    const std::shared_ptr<RateLimiter> m_uploads;
    const std::shared_ptr<RateLimiter> m_downloads;
    PoolLimit m_uploadPool;
    PoolLimit m_downloadPool;
    std::atomic<int> m_chosenUploads{0};  // as stored: 0 for the default
    std::atomic<int> m_chosenDownloads{0};
};

}  // namespace nubexa

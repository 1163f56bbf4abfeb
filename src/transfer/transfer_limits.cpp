#include "transfer/transfer_limits.h"

#include <utility>

namespace nubexa {

TransferLimits::TransferLimits(std::shared_ptr<RateLimiter> uploads,
                               std::shared_ptr<RateLimiter> downloads,
                               PoolLimit::Clock::duration poolHold)
    : m_uploads(std::move(uploads)),
      m_downloads(std::move(downloads)),
      m_uploadPool(kDefaultTransfers, poolHold),
      m_downloadPool(kDefaultTransfers, poolHold) {}

void TransferLimits::set(const SpeedLimits& limits) {
    m_uploads->setRate(limits.uploadKBps * 1024);
    m_downloads->setRate(limits.downloadKBps * 1024);
    m_chosenUploads = limits.uploadTransfers;
    m_chosenDownloads = limits.downloadTransfers;
    m_uploadPool.choose(limits.uploadTransfers > 0 ? limits.uploadTransfers : kDefaultTransfers);
    m_downloadPool.choose(limits.downloadTransfers > 0 ? limits.downloadTransfers
                                                       : kDefaultTransfers);
}

SpeedLimits TransferLimits::get() const {
    return SpeedLimits{m_uploads->rate() / 1024, m_downloads->rate() / 1024, m_chosenUploads.load(),
                       m_chosenDownloads.load()};
}

bool TransferLimits::holding(Direction direction) const {
    // Longer than the gaps between a limited run's waits, shorter than a monitor tick.
    constexpr auto kRecently = std::chrono::seconds(2);
    return (direction == Direction::kUpload ? m_uploads : m_downloads)->holding(kRecently);
}

}  // namespace nubexa

#include "transfer/rate_window.h"

#include <algorithm>

#include "ftp/progress_reporter.h"

namespace nubexa {

RateWindow::RateWindow(Clock::time_point start, std::int64_t bytes) {
    m_samples.push_back({start, bytes});
}

void RateWindow::add(Clock::time_point at, std::int64_t bytes) {
    // A clock that stepped back or a count that shrank (a restarted range) starts afresh.
    if (at < m_samples.back().at || bytes < m_samples.back().bytes)
        m_samples.clear();
    m_samples.push_back({at, bytes});
    // Keep one sample at or before the window's start, so that the span stays whole.
    while (m_samples.size() > 2 && m_samples[1].at <= at - kSpan)
        m_samples.pop_front();
}

std::int64_t RateWindow::kibPerSecond() const {
    const Sample& first = m_samples.front();
    const Sample& last = m_samples.back();
    const auto span = std::max<Clock::duration>(last.at - first.at, kShortest);
    return speedKBps(last.bytes - first.bytes,
                     std::chrono::duration_cast<std::chrono::milliseconds>(span).count());
}

}  // namespace nubexa

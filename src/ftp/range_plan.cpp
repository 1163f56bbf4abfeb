#include "ftp/range_plan.h"

#include <algorithm>

namespace nubexa {

namespace {

// Range starts on this boundary keep every write but a range's last one block-aligned.
constexpr std::int64_t kAlignment = 64 * 1024;

}  // namespace

std::vector<TaskRange> RangePlan::split(std::int64_t size, int count, std::int64_t smallest) {
    std::vector<TaskRange> ranges;
    if (size <= 0)
        return ranges;
    const std::int64_t most = std::max<std::int64_t>(1, size / std::max<std::int64_t>(smallest, 1));
    const std::int64_t pieces = std::clamp<std::int64_t>(count, 1, most);
    std::int64_t start = 0;
    for (std::int64_t i = 1; i <= pieces; ++i) {
        std::int64_t end = i == pieces ? size : size / pieces * i / kAlignment * kAlignment;
        if (end <= start)
            continue;
        ranges.push_back({start, end, 0});
        start = end;
    }
    if (ranges.empty() || ranges.back().end != size)
        ranges.push_back({start, size, 0});
    return ranges;
}

void RangePlan::markPrefix(std::vector<TaskRange>& ranges, std::int64_t prefix) {
    for (TaskRange& range : ranges)
        range.done = std::clamp<std::int64_t>(prefix - range.start, 0, range.end - range.start);
}

bool RangePlan::resumable(const std::vector<TaskRange>& ranges, std::int64_t size,
                          std::int64_t recorded, std::int64_t held) {
    if (ranges.empty() || ranges.back().end != size)
        return false;
    std::int64_t next = 0;
    for (const TaskRange& range : ranges) {
        if (range.start != next || range.end <= range.start || range.done < 0 ||
            range.done > range.end - range.start ||
            (range.done > 0 && range.start + range.done > held))
            return false;
        next = range.end;
    }
    return doneOf(ranges) == recorded;
}

std::optional<std::size_t> RangePlan::take() {
    const std::lock_guard<std::mutex> lock(m_mutex);
    for (std::size_t i = 0; i < m_ranges.size(); ++i) {
        const TaskRange& range = m_ranges[i];
        if (!m_taken[i] && range.start + range.done < range.end) {
            m_taken[i] = true;
            return i;
        }
    }
    return std::nullopt;
}

void RangePlan::release(std::size_t index) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_taken[index] = false;
}

void RangePlan::advance(std::size_t index, std::int64_t bytes) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_ranges[index].done += bytes;
}

void RangePlan::endAtDone(std::size_t index) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_ranges[index].end = m_ranges[index].start + m_ranges[index].done;
}

TaskRange RangePlan::range(std::size_t index) const {
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_ranges[index];
}

std::vector<TaskRange> RangePlan::snapshot() const {
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_ranges;
}

std::int64_t RangePlan::doneOf(const std::vector<TaskRange>& ranges) {
    std::int64_t done = 0;
    for (const TaskRange& range : ranges)
        done += range.done;
    return done;
}

std::int64_t RangePlan::done() const {
    const std::lock_guard<std::mutex> lock(m_mutex);
    return doneOf(m_ranges);
}

std::int64_t RangePlan::size() const {
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_ranges.empty() ? 0 : m_ranges.back().end;
}

bool RangePlan::complete() const {
    return unfinished() == 0;
}

std::size_t RangePlan::unfinished() const {
    const std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<std::size_t>(
        std::count_if(m_ranges.begin(), m_ranges.end(),
                      [](const TaskRange& range) { return range.start + range.done < range.end; }));
}

std::size_t RangePlan::untaken() const {
    const std::lock_guard<std::mutex> lock(m_mutex);
    std::size_t count = 0;
    for (std::size_t i = 0; i < m_ranges.size(); ++i) {
        const TaskRange& range = m_ranges[i];
        count += !m_taken[i] && range.start + range.done < range.end ? 1 : 0;
    }
    return count;
}

}  // namespace nubexa

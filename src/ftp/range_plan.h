#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

#include "store/task_table.h"

namespace nubexa {

// A file's data may end this many bytes short of its recorded size when the server says the
// transfer is complete (the recorded size can be behind the file).
inline constexpr std::int64_t kShortfallTolerance = 1024;

// The byte ranges of one download over several connections, and how far each has come. Each
// range is taken by one connection at a time; the bytes a range counts as done are in the
// file. Thread-safe.
class RangePlan {
public:
    explicit RangePlan(std::vector<TaskRange> ranges) : m_ranges(std::move(ranges)) {}

    // `count` ranges of nearly equal length over [0, size), none shorter than `smallest` (so
    // fewer when the file is small), each starting on a block boundary.
    static std::vector<TaskRange> split(std::int64_t size, int count, std::int64_t smallest);
    // The first `prefix` bytes are in the file already (a one-connection run wrote them).
    static void markPrefix(std::vector<TaskRange>& ranges, std::int64_t prefix);
    // Whether ranges saved by an earlier run can go on: they cover [0, size) in order, count
    // `recorded` bytes in all (what the row says), and none reaches past the `held` bytes of
    // the partial file.
    static bool resumable(const std::vector<TaskRange>& ranges, std::int64_t size,
                          std::int64_t recorded, std::int64_t held);

    static std::int64_t doneOf(const std::vector<TaskRange>& ranges);

    // The next range nobody has taken that is not complete.
    std::optional<std::size_t> take();
    // Gives a range back for another connection (its bytes done stay done).
    void release(std::size_t index);
    void advance(std::size_t index, std::int64_t bytes);
    // The server ended the file inside the last range: it ends where its data did.
    void endAtDone(std::size_t index);

    TaskRange range(std::size_t index) const;
    bool isLast(std::size_t index) const { return index + 1 == m_ranges.size(); }
    std::vector<TaskRange> snapshot() const;
    std::int64_t done() const;
    std::int64_t size() const;
    bool complete() const;
    std::size_t unfinished() const;
    // Ranges that are not complete and that nobody has taken.
    std::size_t untaken() const;

private:
    mutable std::mutex m_mutex;
    std::vector<TaskRange> m_ranges;
    std::vector<bool> m_taken = std::vector<bool>(m_ranges.size(), false);
};

}  // namespace nubexa

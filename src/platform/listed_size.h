#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

namespace nubexa {

// Sizes a listing gives are the service's word: clamped where they are read to what a real file
// can be (1 PiB), so that sums and percentages of them stay far from overflow.
inline constexpr std::int64_t kMaxListedSize = std::int64_t{1} << 50;

inline std::int64_t clampListedSize(std::int64_t size) {
    return std::clamp<std::int64_t>(size, 0, kMaxListedSize);
}

// a + b, held at the int64 limits instead of overflowing.
inline std::int64_t addSaturated(std::int64_t a, std::int64_t b) {
    std::int64_t sum = 0;
    if (__builtin_add_overflow(a, b, &sum))
        return b > 0 ? std::numeric_limits<std::int64_t>::max()
                     : std::numeric_limits<std::int64_t>::min();
    return sum;
}

// done as a whole percentage of total (0 to 100) for any values, without overflow.
inline int percentOf(std::int64_t done, std::int64_t total) {
    if (total <= 0)
        return 0;
    const std::int64_t part = std::clamp<std::int64_t>(done, 0, total);
    if (part <= std::numeric_limits<std::int64_t>::max() / 100)
        return static_cast<int>(part * 100 / total);
    // Both past 2^56: dividing the total first loses far less than one percent.
    const auto percent = static_cast<int>(part / (total / 100));
    return part < total ? std::min(percent, 99) : 100;
}

}  // namespace nubexa

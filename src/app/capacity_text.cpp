#include "app/capacity_text.h"

#include <algorithm>
#include <charconv>
#include <cstdint>

#include "session/transfer_rows.h"  // sizeText, as the transfer pages write sizes

namespace nubexa::app {

namespace {

std::optional<std::uint64_t> byteCount(const std::string& text) {
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

}  // namespace

std::string capacityText(const std::string& diskSize, const std::string& usedSize) {
    if (!byteCount(diskSize) || !byteCount(usedSize))
        return diskSize + " / " + usedSize;
    return sizeText(diskSize) + " / " + sizeText(usedSize);
}

std::optional<double> capacityLevel(const std::string& diskSize, const std::string& usedSize) {
    const auto disk = byteCount(diskSize);
    const auto used = byteCount(usedSize);
    if (!disk || !used || *disk == 0)
        return std::nullopt;
    return std::min(1.0, static_cast<double>(*used) / static_cast<double>(*disk));
}

}  // namespace nubexa::app

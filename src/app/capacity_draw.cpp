#include "app/capacity_draw.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstdint>

namespace nubexa::app::capacity_draw {

namespace {

constexpr double kMegabyte = 1024.0 * 1024.0;
constexpr double kLargestMegabytes = 1099511627776.0;  // 2^40: bytes stay within int64

}  // namespace

Amount amount(int drawCount, int maxDrawSize, int r) {
    const double bound = static_cast<double>(drawCount) * static_cast<double>(maxDrawSize);
    const double share = static_cast<double>(std::clamp(r, 0, kRandomMax)) / 32768.0;
    const double megabytes = std::clamp(10.0 + (bound - 10.0) * share, 0.0, kLargestMegabytes);
    return Amount{std::to_string(static_cast<std::int64_t>(megabytes * kMegabyte)),
                  std::to_string(static_cast<std::int64_t>(megabytes))};
}

std::string wonMessage(const Amount& amount) {
    return QCoreApplication::translate("Messages", kWonPrefix).toStdString() +
           amount.megabytesText + "M";
}

}  // namespace nubexa::app::capacity_draw

#pragma once

#include <QtGlobal>

#include <string>

namespace nubexa::app {

// The daily capacity draw: the client draws the amount and the service books it.
namespace capacity_draw {

inline constexpr const char* kWonPrefix = QT_TRANSLATE_NOOP("Messages", "恭喜您抽到容量：");
inline constexpr const char* kAlreadyDrawn =
    QT_TRANSLATE_NOOP("Messages", "您今天已经抽过容量了...");
inline constexpr int kRandomMax = 32767;  // r lies in 0..kRandomMax

struct Amount {
    std::string bytesText;      // what AddDrawDiskSize is sent
    std::string megabytesText;  // what the message shows
};

// 10 + (drawCount x maxDrawSize - 10) x r / 32768 megabytes, truncated to whole bytes and whole
// megabytes. Values the service could send that would make no sense (negative, or so large
// that the bytes overflow) are held to 0 and 2^40 megabytes.
Amount amount(int drawCount, int maxDrawSize, int r);

// "恭喜您抽到容量：" + megabytes + "M".
std::string wonMessage(const Amount& amount);

}  // namespace capacity_draw

}  // namespace nubexa::app

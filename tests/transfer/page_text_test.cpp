// The transfer pages' texts, shared by the GUI and nubexa-cli.
#include <gtest/gtest.h>

#include "transfer/rate_window.h"
#include "transfer/transfer_page_text.h"

namespace nubexa {
namespace {

TEST(PageText, SizeTextSwitchesUnitAtEachPowerOf1024) {
    EXPECT_EQ(sizeText("0"), "0 B");
    EXPECT_EQ(sizeText("1023"), "1023 B");
    EXPECT_EQ(sizeText("1024"), "1.00 KB");
    EXPECT_EQ(sizeText("1536"), "1.50 KB");
    EXPECT_EQ(sizeText("1048575"), "1024.00 KB");
    EXPECT_EQ(sizeText("1048576"), "1.00 MB");
    EXPECT_EQ(sizeText("1073741824"), "1.00 GB");
    // 64-bit sizes: 5 GiB is not read as a negative 32-bit number.
    EXPECT_EQ(sizeText("5368709120"), "5.00 GB");
}

TEST(PageText, StateWordFollowsStatusSpeedAndPage) {
    EXPECT_EQ(stateWord("1", "0", Direction::kUpload), "等待");
    EXPECT_EQ(stateWord("1", "120", Direction::kUpload), "上传");
    EXPECT_EQ(stateWord("1", "120", Direction::kDownload), "下载");
    EXPECT_EQ(stateWord("2", "0", Direction::kUpload), "暂停");
    EXPECT_EQ(stateWord("2", "55", Direction::kDownload), "暂停");
    EXPECT_EQ(stateWord("100", "0", Direction::kUpload), "完成");
    EXPECT_EQ(stateWord("-100", "0", Direction::kUpload), "未知");
    EXPECT_EQ(stateWord("", "0", Direction::kDownload), "未知");
}

TEST(PageText, RowColumnsJoinLocalAndRemoteNames) {
    TaskListRow row;
    row.id = "7";
    row.localPath = "/home/u/trip/";
    row.localFileName = "a.jpg";
    row.ftpPath = "\\photos";
    row.fileSize = "2048";
    row.speed = "12";
    row.scheduleValue = 40;
    row.status = "1";
    const TransferPageRow shown = makePageRow(row, Direction::kUpload);
    EXPECT_EQ(shown.localInfo, "/home/u/trip/a.jpg");
    EXPECT_EQ(shown.remoteInfo, "\\photos\\a.jpg");
    EXPECT_EQ(shown.size, "2.00 KB");
    EXPECT_EQ(shown.progress, 40);
    EXPECT_EQ(shown.speed, "12 KB/S");
    EXPECT_EQ(shown.state, "上传");
    EXPECT_EQ(shown.id, "7");

    // A folder upload's remote path ends with its backslash already; the top folder is "\".
    row.ftpPath = "\\photos\\trip\\";
    EXPECT_EQ(makePageRow(row, Direction::kUpload).remoteInfo, "\\photos\\trip\\a.jpg");
    row.ftpPath = "\\";
    EXPECT_EQ(makePageRow(row, Direction::kUpload).remoteInfo, "\\a.jpg");
}

TEST(PageText, StatusTextOfTheMonitor) {
    EXPECT_EQ(speedStatusText("0", "0"), "上传：0 KB/S 下载：0 KB/S");
    EXPECT_EQ(speedStatusText("120", "35"), "上传：120 KB/S 下载：35 KB/S");
    EXPECT_EQ(speedStatusText("120", "35", true, false), "上传：120 KB/S(限速) 下载：35 KB/S");
    EXPECT_EQ(speedStatusText("1", "2", false, true), "上传：1 KB/S 下载：2 KB/S(限速)");
}

// The speed shown is the rate of the last few seconds: a slow start (the sign-in, a stall) or
// a lifted limit does not hold the figure down for minutes, and the first buffer is no burst.
TEST(PageText, RateIsTheLastSecondsNotTheAverageSinceTheStart) {
    using namespace std::chrono_literals;
    const RateWindow::Clock::time_point start{};
    RateWindow rate(start, 1 << 20);  // resumed at 1 MiB: those bytes are not this run's
    EXPECT_EQ(rate.kibPerSecond(), 0);
    // 300 KiB within the first 100 ms count as spread over a second.
    rate.add(start + 100ms, (1 << 20) + 300 * 1024);
    EXPECT_EQ(rate.kibPerSecond(), 300);
    // Ten seconds stalled, then 500 KiB/s for six seconds: 500, where the average since the
    // start says 206.
    std::int64_t bytes = (1 << 20) + 300 * 1024;
    rate.add(start + 10s, bytes);
    for (int tenth = 1; tenth <= 60; ++tenth) {
        bytes += 50 * 1024;
        rate.add(start + 10s + tenth * 100ms, bytes);
    }
    EXPECT_EQ(rate.kibPerSecond(), 500);
    // The limit drops to 100 KiB/s: after one window the figure is the new rate.
    for (int tenth = 1; tenth <= 50; ++tenth) {
        bytes += 10 * 1024;
        rate.add(start + 16s + tenth * 100ms, bytes);
    }
    EXPECT_EQ(rate.kibPerSecond(), 100);
    // Nothing for long: the next figure is the little that moved over that time.
    rate.add(start + 60s, bytes + 1024);
    EXPECT_EQ(rate.kibPerSecond(), 0);
    // A count that goes back (a range started again) starts afresh instead of going negative.
    rate.add(start + 61s, 2048);
    EXPECT_EQ(rate.kibPerSecond(), 0);
    rate.add(start + 63s, 2048 + 400 * 1024);
    EXPECT_EQ(rate.kibPerSecond(), 200);
}

}  // namespace
}  // namespace nubexa

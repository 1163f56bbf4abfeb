#include "cli/progress_line.h"

#include "platform/control_bytes.h"

#include <string>

namespace nubexa::cli {

namespace {

std::string humanBytes(double bytes) {
    static constexpr const char* kUnits[] = {"B", "KiB", "MiB", "GiB", "TiB"};
    int unit = 0;
    while (bytes >= 1024 && unit < 4) {
        bytes /= 1024;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, unit == 0 ? "%.0f %s" : "%.1f %s", bytes, kUnits[unit]);
    return text;
}

}  // namespace

void ProgressLine::show(const TaskProgress& progress) {
    std::fprintf(stderr, "\r%3d%%  %s / %s  %s/s   ", progress.percent,
                 humanBytes(static_cast<double>(progress.done)).c_str(),
                 humanBytes(static_cast<double>(progress.fileSize)).c_str(),
                 humanBytes(static_cast<double>(progress.speedKBps) * 1024).c_str());
    std::fflush(stderr);
    m_shown = true;
}

void ProgressLine::showText(const std::string& text) {
    // Clears what a longer line before it left.
    std::fprintf(stderr, "\r%s\033[K", escapeControlBytes(text).c_str());
    std::fflush(stderr);
    m_shown = true;
}

void ProgressLine::finish() {
    if (m_shown)
        std::fputc('\n', stderr);
    m_shown = false;
}

}  // namespace nubexa::cli

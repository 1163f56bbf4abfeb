#include "cli/progress_line.h"

#include <unistd.h>

#include <algorithm>
#include <string>

#include "cli/rate_text.h"
#include "platform/control_bytes.h"

namespace nubexa::cli {

ProgressLine::ProgressLine() : m_live(isatty(STDERR_FILENO) == 1) {}

void ProgressLine::show(int percent, std::int64_t done, std::int64_t fileSize,
                        std::int64_t speedKBps) {
    if (!m_live)
        return;
    // Every byte there is 100 %, whatever the last percentage written was.
    const int shown = fileSize > 0 && done >= fileSize ? 100 : std::min(percent, 99);
    std::fprintf(stderr, "\r%3d%%  %s / %s  %s   ", shown,
                 byteText(static_cast<double>(done)).c_str(),
                 byteText(static_cast<double>(fileSize)).c_str(), speedText(speedKBps).c_str());
    std::fflush(stderr);
    m_shown = true;
}

void ProgressLine::showText(const std::string& text) {
    if (!m_live)
        return;
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

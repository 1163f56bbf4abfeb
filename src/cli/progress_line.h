#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace nubexa::cli {

// Shows a transfer's progress writes on one line of standard error, rewritten in place; only
// when standard error is a terminal (a redirected stream gets no carriage-return lines).
class ProgressLine {
public:
    ProgressLine();

    // `percent` as the row has it; `done` of `fileSize` bytes at `speedKBps`.
    void show(int percent, std::int64_t done, std::int64_t fileSize, std::int64_t speedKBps);
    // Any text in place of the line (the run loop's summary of every running task).
    void showText(const std::string& text);
    // Ends the line when something was shown.
    void finish();

private:
    const bool m_live;
    bool m_shown = false;
};

}  // namespace nubexa::cli

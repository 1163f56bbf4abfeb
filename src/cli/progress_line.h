#pragma once

#include <cstdio>
#include <string>

#include "store/task_table.h"

namespace nubexa::cli {

// Shows a transfer's progress writes on one line of standard error, rewritten in place; only
// when standard error is a terminal (a redirected stream gets no carriage-return lines).
class ProgressLine {
public:
    ProgressLine();

    void show(const TaskProgress& progress);
    // Any text in place of the line (the run loop's summary of every running task).
    void showText(const std::string& text);
    // Ends the line when something was shown.
    void finish();

private:
    const bool m_live;
    bool m_shown = false;
};

}  // namespace nubexa::cli

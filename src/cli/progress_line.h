#pragma once

#include <cstdio>
#include <string>

#include "store/task_table.h"

namespace nubexa::cli {

// Shows a transfer's progress writes on one line of standard error, rewritten in place.
class ProgressLine {
public:
    void show(const TaskProgress& progress);
    // Any text in place of the line (the run loop's summary of every running task).
    void showText(const std::string& text);
    // Ends the line when something was shown.
    void finish();

private:
    bool m_shown = false;
};

}  // namespace nubexa::cli

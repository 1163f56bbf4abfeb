#pragma once

#include <cstdio>

#include "store/task_table.h"

namespace nubexa::cli {

// Shows a transfer's progress writes on one line of standard error, rewritten in place.
class ProgressLine {
public:
    void show(const TaskProgress& progress);
    // Ends the line when something was shown.
    void finish();

private:
    bool m_shown = false;
};

}  // namespace nubexa::cli

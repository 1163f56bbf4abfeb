#pragma once

namespace nubexa {

// What a command of the transfer pages on one task did.
enum class TaskCommandResult {
    kDone,
    kNoSuchTask,     // no row with that id for the signed-in user
    kNotApplicable,  // pause/resume of a task that is neither running nor waiting
    kNotWritten,     // bin.db could not be written: the task is as it was
};

}  // namespace nubexa

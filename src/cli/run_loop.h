#pragma once

#include <signal.h>

#include <string>

namespace nubexa::cli {

struct CliContext;
class CliSession;

struct RunArgs {
    std::string limitRate;
    int transfers = 0;  // uploads and downloads at once each; 0: the user's stored choice
    double intervalSeconds = 3.0;  // the main window's monitor period
    // How long an outage of the file server's sign-in is waited out (a DURATION: "90s", "10m").
    std::string giveUpAfter = "10m";
    // As the desktop client drives the queue: one start per direction per tick, no filling of
    // every free slot by the run loop (the workers still take the next task as they end).
    bool tickOnly = false;
};

// "run": signs in again, turns tasks a dead process left running into waiting ones, and runs
// the monitor until no task waits or runs, showing progress. SIGINT/SIGTERM stop every
// transfer within a data tick and leave the rows resumable. Exit code 0 when every task it
// ran finished, 1 when one failed or it gave up, 130 when it was interrupted.
int runQueue(const CliContext& context, const RunArgs& args);
// The same in a session that is signed in already ("put --run", "get --run": one sign-in for
// the queueing and the transfers). `awaited` is what blockStopSignals() gave before the
// session made its first thread.
int runQueueIn(CliSession& session, const RunArgs& args, const sigset_t& awaited);

}  // namespace nubexa::cli

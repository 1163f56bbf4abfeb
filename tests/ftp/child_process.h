#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace nubexa::test {

// A program a test starts, in a process group of its own; the object ends it (and anything it
// started) with SIGKILL when it is still running, and reaps it.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Output (standard output and error) goes to `outputFile`.
    bool start(const std::vector<std::string>& argv, const std::string& outputFile = "/dev/null");
    bool running();
    // The exit code (128 + signal for a killed process), or empty when it did not end in time.
    std::optional<int> wait(std::chrono::milliseconds limit);
    // Sends `signal` to the whole group.
    void signalGroup(int signal);
    pid_t pid() const { return m_pid; }

private:
    pid_t m_pid = -1;
    std::optional<int> m_exit;
};

// A server just started: waits up to `limit` for `serving` while it runs; a server that
// ended (its port was taken) or never served is stopped and false returned.
bool waitUntilServing(ChildProcess& server, const std::function<bool()>& serving,
                      std::chrono::milliseconds limit);
// SIGTERM to the group, SIGKILL when it has not ended within 5 s.
void stopGroup(ChildProcess& server);

// Runs a program to its end (within `limit`) and returns its exit code; -1 when it did not end.
int runProgram(const std::vector<std::string>& argv, std::chrono::milliseconds limit,
               const std::string& outputFile = "/dev/null");

}  // namespace nubexa::test

#include "child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

namespace nubexa::test {

ChildProcess::~ChildProcess() {
    if (m_pid > 0 && running()) {
        signalGroup(SIGKILL);
        wait(std::chrono::seconds(10));
    }
}

bool ChildProcess::start(const std::vector<std::string>& argv, const std::string& outputFile) {
    std::vector<char*> args;
    for (const auto& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0)
        return false;
    if (pid == 0) {
        ::setpgid(0, 0);
        const int out = ::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (out >= 0) {
            ::dup2(out, STDOUT_FILENO);
            ::dup2(out, STDERR_FILENO);
        }
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    ::setpgid(pid, pid);  // also from here, so that the group exists before any signal
    m_pid = pid;
    m_exit.reset();
    return true;
}

bool ChildProcess::running() {
    if (m_pid <= 0 || m_exit)
        return false;
    int status = 0;
    const pid_t done = ::waitpid(m_pid, &status, WNOHANG);
    if (done == m_pid) {
        m_exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return false;
    }
    return done == 0;
}

std::optional<int> ChildProcess::wait(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (running()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return m_exit;
}

void ChildProcess::signalGroup(int signal) {
    if (m_pid > 0 && !m_exit)
        ::kill(-m_pid, signal);
}

int runProgram(const std::vector<std::string>& argv, std::chrono::milliseconds limit,
               const std::string& outputFile) {
    ChildProcess child;
    if (!child.start(argv, outputFile))
        return -1;
    return child.wait(limit).value_or(-1);
}

bool waitUntilServing(ChildProcess& server, const std::function<bool()>& serving,
                      std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (!server.running())
            return false;  // the port was taken meanwhile
        if (serving())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // Another program holds the port: ours never got it.
    server.signalGroup(SIGKILL);
    server.wait(std::chrono::seconds(5));
    return false;
}

void stopGroup(ChildProcess& server) {
    server.signalGroup(SIGTERM);
    if (!server.wait(std::chrono::seconds(5))) {
        server.signalGroup(SIGKILL);
        server.wait(std::chrono::seconds(5));
    }
}

}  // namespace nubexa::test

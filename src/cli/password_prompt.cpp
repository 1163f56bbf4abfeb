#include "cli/password_prompt.h"

#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>

namespace nubexa::cli {

namespace {

termios g_savedTerminal;

// Ctrl-C at the prompt must not leave the terminal without echo.
extern "C" void restoreAndDie(int signal) {
    tcsetattr(STDIN_FILENO, TCSANOW, &g_savedTerminal);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

std::optional<std::string> readLine() {
    std::string line;
    if (!std::getline(std::cin, line))
        return std::nullopt;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

}  // namespace

std::optional<std::string> readPassword(bool fromStdin, const std::string& prompt) {
    if (fromStdin)
        return readLine();
    if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &g_savedTerminal) != 0)
        return std::nullopt;
    std::fputs(prompt.c_str(), stderr);
    std::fflush(stderr);
    termios quiet = g_savedTerminal;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    auto* previousInt = ::signal(SIGINT, restoreAndDie);
    auto* previousTerm = ::signal(SIGTERM, restoreAndDie);
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    auto line = readLine();
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &g_savedTerminal);
    ::signal(SIGINT, previousInt);
    ::signal(SIGTERM, previousTerm);
    std::fputc('\n', stderr);
    return line;
}

}  // namespace nubexa::cli

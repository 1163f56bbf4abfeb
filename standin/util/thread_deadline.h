#pragma once

#include <chrono>
#include <optional>

namespace nubexa::standin {

// The time by which the work this thread does for one request must be done. A web request sets
// it when it starts (see RequestWatch); the database gives up waiting at it and stops the
// request's statements once it has passed, so no request can hold the service for longer.
// Threads without a deadline (the file server's sessions) wait for the database at most its
// own limit.
class ThreadDeadline {
public:
    using Clock = std::chrono::steady_clock;

    static std::optional<Clock::time_point> get();
    static void set(std::optional<Clock::time_point> deadline);
    static bool passed(Clock::time_point now = Clock::now());

    // Sets a deadline for the life of the scope (the earlier one when the thread has one
    // already) and puts the thread's earlier deadline back afterwards.
    class Scope {
    public:
        explicit Scope(std::chrono::milliseconds limit);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        std::optional<Clock::time_point> m_previous;
    };
};

}  // namespace nubexa::standin

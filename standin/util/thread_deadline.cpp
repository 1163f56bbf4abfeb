#include "standin/util/thread_deadline.h"

#include <algorithm>

namespace nubexa::standin {

namespace {

thread_local std::optional<ThreadDeadline::Clock::time_point> t_deadline;

}  // namespace

std::optional<ThreadDeadline::Clock::time_point> ThreadDeadline::get() {
    return t_deadline;
}

void ThreadDeadline::set(std::optional<Clock::time_point> deadline) {
    t_deadline = deadline;
}

bool ThreadDeadline::passed(Clock::time_point now) {
    return t_deadline && now >= *t_deadline;
}

ThreadDeadline::Scope::Scope(std::chrono::milliseconds limit) : m_previous(t_deadline) {
    const auto mine = Clock::now() + limit;
    t_deadline = m_previous ? std::min(*m_previous, mine) : mine;
}

ThreadDeadline::Scope::~Scope() {
    t_deadline = m_previous;
}

}  // namespace nubexa::standin

#pragma once

#include <functional>
#include <mutex>
#include <string>

namespace nubexa::standin {

// One line per web request and per file-server command. Any thread may write; lines never
// interleave. Without a sink, lines go to standard error with a time stamp.
class ServiceLog {
public:
    using Sink = std::function<void(const std::string&)>;

    explicit ServiceLog(Sink sink = {}) : m_sink(std::move(sink)) {}
    void line(const std::string& text);

private:
    std::mutex m_mutex;
    Sink m_sink;
};

}  // namespace nubexa::standin

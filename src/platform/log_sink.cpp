#include "platform/log_sink.h"

#include <utility>

namespace nubexa {

namespace {

class StandardOutputSink : public LogSink {
public:
    void write(std::string_view text) override {
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fflush(stdout);
    }
};

struct Log {
    std::mutex mutex;
    std::shared_ptr<LogSink> sink;
};

// Built on first use and never destroyed: threads may still log while the process ends.
Log& theLog() {
    static Log* log = new Log;
    return *log;
}

}  // namespace

FileLogSink::FileLogSink(const std::string& path) : m_file(std::fopen(path.c_str(), "ab")) {}

FileLogSink::~FileLogSink() {
    if (m_file != nullptr)
        std::fclose(m_file);
}

void FileLogSink::write(std::string_view text) {
    if (m_file == nullptr)
        return;
    std::fwrite(text.data(), 1, text.size(), m_file);
    std::fflush(m_file);
}

void writeLog(std::string_view text) {
    Log& log = theLog();
    std::lock_guard lock(log.mutex);
    if (log.sink) {
        log.sink->write(text);
    } else {
        StandardOutputSink().write(text);
    }
}

std::shared_ptr<LogSink> setLogSink(std::shared_ptr<LogSink> sink) {
    Log& log = theLog();
    std::lock_guard lock(log.mutex);
    return std::exchange(log.sink, std::move(sink));
}

}  // namespace nubexa

#include "platform/log_sink.h"

#include <fcntl.h>
#include <unistd.h>

#include <utility>

#include "platform/control_bytes.h"

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

namespace {

// The log carries account names and server replies: only its owner reads it.
std::FILE* openPrivateForAppending(const std::string& path) {
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return nullptr;
    std::FILE* file = ::fdopen(fd, "ab");
    if (file == nullptr)
        ::close(fd);
    return file;
}

}  // namespace

FileLogSink::FileLogSink(const std::string& path) : m_file(openPrivateForAppending(path)) {}

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
    // Replies and names come from servers: no escape sequence reaches a terminal or a log view.
    const std::string safe = escapeControlBytes(text, true);
    Log& log = theLog();
    std::lock_guard lock(log.mutex);
    if (log.sink) {
        log.sink->write(safe);
    } else {
        StandardOutputSink().write(safe);
    }
}

std::shared_ptr<LogSink> setLogSink(std::shared_ptr<LogSink> sink) {
    Log& log = theLog();
    std::lock_guard lock(log.mutex);
    return std::exchange(log.sink, std::move(sink));
}

}  // namespace nubexa

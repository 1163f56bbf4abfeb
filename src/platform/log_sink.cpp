#include "platform/log_sink.h"

#include <fcntl.h>
#include <sys/stat.h>
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

FileLogSink::FileLogSink(const std::string& path, std::uint64_t maxBytes)
    : m_path(path), m_maxBytes(maxBytes) {
    open();
}

FileLogSink::~FileLogSink() {
    if (m_file != nullptr)
        std::fclose(m_file);
}

void FileLogSink::open() {
    m_file = openPrivateForAppending(m_path);
    if (m_file != nullptr && m_holdsStandardError)
        ::dup2(::fileno(m_file), STDERR_FILENO);
}

bool FileLogSink::holdStandardError() {
    if (m_file == nullptr)
        return false;
    std::fflush(stderr);
    m_holdsStandardError = ::dup2(::fileno(m_file), STDERR_FILENO) >= 0;
    return m_holdsStandardError;
}

void FileLogSink::rotate() {
    std::fclose(m_file);
    m_file = nullptr;
    // rename() replaces the older copy in one step; a failure leaves the file growing rather
    // than losing the log.
    ::rename(m_path.c_str(), (m_path + ".1").c_str());
    open();
}

void FileLogSink::write(std::string_view text) {
    if (m_file == nullptr)
        return;
    // The size on disk, not a count of our own writes: standard error may write there too.
    struct stat status {};
    if (::fstat(::fileno(m_file), &status) == 0 && status.st_size > 0 &&
        static_cast<std::uint64_t>(status.st_size) + text.size() > m_maxBytes) {
        rotate();
        if (m_file == nullptr)
            return;
    }
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

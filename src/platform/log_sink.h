#pragma once

#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace nubexa {

// Where the core's diagnostics go: the FTP trace and database errors. Standard output unless a
// front end installs another sink (the desktop client writes a log file instead).
class LogSink {
public:
    virtual ~LogSink() = default;
    // Text as given; callers end their lines. Called under the log's lock, one writer at a time.
    virtual void write(std::string_view text) = 0;
};

// Appends to a file, flushed after each write so that a crash loses nothing.
class FileLogSink : public LogSink {
public:
    explicit FileLogSink(const std::string& path);
    ~FileLogSink() override;
    FileLogSink(const FileLogSink&) = delete;
    FileLogSink& operator=(const FileLogSink&) = delete;

    bool isOpen() const { return m_file != nullptr; }
    void write(std::string_view text) override;

private:
    std::FILE* m_file = nullptr;
};

// Writes to the installed sink. Any thread.
void writeLog(std::string_view text);

// Installs `sink` for the whole process (null: standard output again) and returns the one it
// replaces. Any thread; writes already under way finish on the old sink.
std::shared_ptr<LogSink> setLogSink(std::shared_ptr<LogSink> sink);

}  // namespace nubexa

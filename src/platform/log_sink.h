#pragma once

#include <cstdint>
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

// Appends to a file, flushed after each write so that a crash loses nothing. The file stays
// bounded: once it would pass `maxBytes` it becomes "<path>.1" (replacing an older one) and a
// new file starts, so at most about twice the limit is ever kept.
class FileLogSink : public LogSink {
public:
    static constexpr std::uint64_t kDefaultMaxBytes = 4u << 20;

    explicit FileLogSink(const std::string& path, std::uint64_t maxBytes = kDefaultMaxBytes);
    ~FileLogSink() override;
    FileLogSink(const FileLogSink&) = delete;
    FileLogSink& operator=(const FileLogSink&) = delete;

    bool isOpen() const { return m_file != nullptr; }
    void write(std::string_view text) override;

    // Points the process's standard error at the file, now and after each rotation, so that
    // what libraries print there (ACE's entries, Qt's warnings) lands in the log too. For a
    // program once it has started; false when the file is not open.
    bool holdStandardError();

private:
    void open();
    void rotate();

    std::string m_path;
    std::uint64_t m_maxBytes;
    std::FILE* m_file = nullptr;
    bool m_holdsStandardError = false;
};

// Writes to the installed sink. Any thread.
void writeLog(std::string_view text);

// Installs `sink` for the whole process (null: standard output again) and returns the one it
// replaces. Any thread; writes already under way finish on the old sink.
std::shared_ptr<LogSink> setLogSink(std::shared_ptr<LogSink> sink);

}  // namespace nubexa

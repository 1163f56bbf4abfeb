#pragma once

#include <string_view>

#include "platform/log_sink.h"

namespace nubexa::cli {

// The core's diagnostics (the FTP dialogue with -v, database errors) on standard error, so that
// standard output keeps only results. Blank lines between entries are dropped.
class ErrorLogSink : public LogSink {
public:
    void write(std::string_view text) override;

private:
    bool m_atLineStart = true;  // under the log's lock, like every write
};

}  // namespace nubexa::cli

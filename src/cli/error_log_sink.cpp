#include "cli/error_log_sink.h"

#include <cstdio>

namespace nubexa::cli {

void ErrorLogSink::write(std::string_view text) {
    for (const char c : text) {
        if ((c == '\n' || c == '\r') && m_atLineStart)
            continue;
        std::fputc(c, stderr);
        m_atLineStart = c == '\n';
    }
    std::fflush(stderr);
}

}  // namespace nubexa::cli

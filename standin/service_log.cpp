#include "standin/service_log.h"

#include <cstdio>

#include "standin/util/text_util.h"

namespace nubexa::standin {

void ServiceLog::line(const std::string& text) {
    std::lock_guard lock(m_mutex);
    if (m_sink) {
        m_sink(text);
        return;
    }
    std::fprintf(stderr, "%s %s\n", timeText(nowSeconds()).c_str(), text.c_str());
}

}  // namespace nubexa::standin

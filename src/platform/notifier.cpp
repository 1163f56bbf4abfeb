#include "platform/notifier.h"

#include <cstdio>

namespace nubexa {

void ConsoleNotifier::showMessage(const std::string& caption, const std::string& text) {
    std::lock_guard lock(m_mutex);
    if (caption.empty()) {
        std::fprintf(stderr, "%s\n", text.c_str());
    } else {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    }
}

void RecordingNotifier::showMessage(const std::string& caption, const std::string& text) {
    std::lock_guard lock(m_mutex);
    m_messages.push_back({caption, text});
}

std::vector<RecordingNotifier::Message> RecordingNotifier::messages() const {
    std::lock_guard lock(m_mutex);
    return m_messages;
}

std::vector<std::string> RecordingNotifier::texts() const {
    std::lock_guard lock(m_mutex);
    std::vector<std::string> texts;
    for (const auto& message : m_messages) texts.push_back(message.text);
    return texts;
}

}  // namespace nubexa

#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace nubexa {

// The caption of the titled message boxes.
inline constexpr const char* kNoticeCaption = "提示";

// Where the core's messages for the user go. The GUI shows a message box on its own thread,
// the command-line companion prints, tests record. Any thread may call showMessage; an
// implementation must be thread-safe and must not block the caller for long.
class Notifier {
public:
    virtual ~Notifier() = default;

    // caption: kNoticeCaption for the titled boxes, empty for the boxes without caption.
    virtual void showMessage(const std::string& caption, const std::string& text) = 0;
};

// Prints each message as one line on standard error.
class ConsoleNotifier : public Notifier {
public:
    void showMessage(const std::string& caption, const std::string& text) override;

private:
    std::mutex m_mutex;
};

// Keeps every message, for tests and for callers that show them later.
class RecordingNotifier : public Notifier {
public:
    struct Message {
        std::string caption;
        std::string text;
    };

    void showMessage(const std::string& caption, const std::string& text) override;
    std::vector<Message> messages() const;
    std::vector<std::string> texts() const;

private:
    mutable std::mutex m_mutex;
    std::vector<Message> m_messages;
};

}  // namespace nubexa

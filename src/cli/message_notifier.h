#pragma once

#include <string>

#include "platform/notifier.h"

namespace nubexa::cli {

// The transfer core's messages (written in Chinese, as the desktop client shows them) on
// standard error under the same language rule as every other line nubexa-cli prints.
class MessageNotifier : public Notifier {
public:
    void showMessage(const std::string& caption, const std::string& text) override;
};

// `text` in the user's language: the core's known texts have an English form; others (the
// service's own words) pass unchanged. Empty for a sum the command has said line by line.
std::string coreMessageText(const std::string& text);

}  // namespace nubexa::cli

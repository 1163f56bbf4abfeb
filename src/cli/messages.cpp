#include "cli/messages.h"

#include <cstdlib>

namespace nubexa::cli {

bool chineseMessages() {
    static const bool chinese = [] {
        for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
            const char* value = std::getenv(name);
            if (value != nullptr && *value != '\0')
                return std::string_view(value).substr(0, 2) == "zh";
        }
        return false;
    }();
    return chinese;
}

std::string say(std::string_view english, std::string_view chinese,
                std::initializer_list<std::string> args) {
    const std::string_view pattern = chineseMessages() ? chinese : english;
    std::string text;
    text.reserve(pattern.size() + 32);
    auto next = args.begin();
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '{' && i + 1 < pattern.size() && pattern[i + 1] == '}' &&
            next != args.end()) {
            text += *next++;
            ++i;
        } else {
            text += pattern[i];
        }
    }
    return text;
}

}  // namespace nubexa::cli

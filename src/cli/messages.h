#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace nubexa::cli {

// One rule for every line nubexa-cli prints for people: Chinese where the user's locale is
// Chinese (the first of LC_ALL, LC_MESSAGES, LANG that is set starts with "zh"), English
// elsewhere. Texts of the service (names, its own messages) are shown as they come.
bool chineseMessages();

// `english` or `chinese` as the locale says, each "{}" replaced by the next of `args`.
std::string say(std::string_view english, std::string_view chinese,
                std::initializer_list<std::string> args = {});

}  // namespace nubexa::cli

#pragma once

#include <optional>
#include <string>

namespace nubexa::cli {

// The password of "login": one line of standard input when `fromStdin` (scripts), otherwise
// asked for on the terminal without echo. Empty when neither is possible or input ended.
std::optional<std::string> readPassword(bool fromStdin);

}  // namespace nubexa::cli

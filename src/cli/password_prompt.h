#pragma once

#include <optional>
#include <string>

namespace nubexa::cli {

// A password: one line of standard input when `fromStdin` (scripts), otherwise asked for on
// the terminal with `prompt` and without echo. Empty when neither is possible or input ended.
std::optional<std::string> readPassword(bool fromStdin, const std::string& prompt);

}  // namespace nubexa::cli

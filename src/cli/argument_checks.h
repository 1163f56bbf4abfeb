#pragma once

#include <CLI/CLI.hpp>
#include <chrono>
#include <optional>
#include <string>

namespace nubexa::cli {

// A whole number from 1 up, said in words a user reads: CLI11's own range checks print
// their bounds as doubles of three hundred digits.
CLI::Validator positiveWholeNumber(const std::string& what);

// A number of seconds within [low, high], said with its bounds.
CLI::Validator secondsBetween(double low, double high);

// A duration: a number of seconds, or a number followed by s, m or h ("90s", "10m", "1.5h").
// Nothing when malformed, negative or zero.
std::optional<std::chrono::milliseconds> parseDuration(const std::string& text);
CLI::Validator durationText(const std::string& what);

// --db: a file that is missing, empty or an SQLite database. Anything else is refused before it
// is opened, so that it is never moved aside as a damaged bin.db: that rescue is for the data
// folder's own bin.db only.
CLI::Validator databaseFile();

// The command word of argv when it names no subcommand of `app`, else empty: CLI11 would say
// only that a subcommand is required.
std::string unknownCommandWord(const CLI::App& app, int argc, const char* const* argv);

}  // namespace nubexa::cli

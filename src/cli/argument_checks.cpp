#include "cli/argument_checks.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace nubexa::cli {

CLI::Validator positiveWholeNumber(const std::string& what) {
    return CLI::Validator(
        [what](std::string& text) -> std::string {
            std::int64_t value = 0;
            const char* end = text.data() + text.size();
            const auto [stop, error] = std::from_chars(text.data(), end, value);
            if (text.empty() || error != std::errc() || stop != end || value < 1)
                return what + " must be a positive whole number";
            return {};
        },
        "NUMBER");
}

CLI::Validator secondsBetween(double low, double high) {
    return CLI::Validator(
        [low, high](std::string& text) -> std::string {
            double value = 0;
            const char* end = text.data() + text.size();
            const auto [stop, error] = std::from_chars(text.data(), end, value);
            if (text.empty() || error != std::errc() || stop != end || !(value >= low) ||
                !(value <= high)) {
                char message[96];
                std::snprintf(message, sizeof message, "give a number of seconds from %g to %g",
                              low, high);
                return message;
            }
            return {};
        },
        "SECONDS");
}

std::optional<std::chrono::milliseconds> parseDuration(const std::string& text) {
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || !(value > 0))
        return std::nullopt;
    const std::string unit(stop, end);
    double seconds = value;
    if (unit == "m") {
        seconds *= 60;
    } else if (unit == "h") {
        seconds *= 3600;
    } else if (!unit.empty() && unit != "s") {
        return std::nullopt;
    }
    // Beyond a year is no limit a user means; it also keeps the milliseconds finite.
    constexpr double kYear = 365.0 * 24 * 3600;
    if (!(seconds <= kYear))
        return std::nullopt;
    return std::chrono::milliseconds(static_cast<std::int64_t>(seconds * 1000));
}

CLI::Validator durationText(const std::string& what) {
    return CLI::Validator(
        [what](std::string& text) -> std::string {
            if (!parseDuration(text))
                return what + " must be a duration: seconds, or a number with s, m or h (10m)";
            return {};
        },
        "DURATION");
}

CLI::Validator databaseFile() {
    return CLI::Validator(
        [](std::string& path) -> std::string {
            std::ifstream file(path, std::ios::binary);
            if (!file)
                return {};  // made at first use (or said then why it cannot be)
            static constexpr char kHeader[] = "SQLite format 3";  // with its NUL: 16 bytes
            char header[sizeof kHeader] = {};
            file.read(header, sizeof header);
            if (file.gcount() == 0 || std::memcmp(header, kHeader, sizeof kHeader) == 0)
                return {};
            return path + " is not a bin.db (an SQLite database); it is left as it is";
        },
        "FILE");
}

std::string unknownCommandWord(const CLI::App& app, int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--db") {
            ++i;  // its value
            continue;
        }
        if (word.empty() || word[0] == '-')
            continue;
        for (const CLI::App* command : app.get_subcommands({})) {
            if (command->check_name(word))
                return {};
        }
        return word;
    }
    return {};
}

}  // namespace nubexa::cli

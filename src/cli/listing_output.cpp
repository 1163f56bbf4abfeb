#include "cli/listing_output.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "cli/cli_context.h"
#include "cli/rate_text.h"

namespace nubexa::cli {

namespace {

// A protected item (ispwd 1 with a password tip) needs its password to be opened.
bool isProtected(const std::string& ispwd) {
    return ispwd == "1";
}

}  // namespace

std::int64_t bytesOf(const std::string& size) {
    return std::max<std::int64_t>(0, std::strtoll(size.c_str(), nullptr, 10));
}

std::string isoTime(const std::string& serviceTime) {
    std::tm parts{};
    int consumed = 0;
    if (std::sscanf(serviceTime.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%n", &parts.tm_year, &parts.tm_mon,
                    &parts.tm_mday, &parts.tm_hour, &parts.tm_min, &parts.tm_sec, &consumed) != 6 ||
        static_cast<std::size_t>(consumed) != serviceTime.size()) {
        return serviceTime;
    }
    parts.tm_year -= 1900;
    parts.tm_mon -= 1;
    parts.tm_isdst = -1;
    const std::time_t when = std::mktime(&parts);
    if (when == static_cast<std::time_t>(-1))
        return serviceTime;
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &parts);
    std::string iso = text;
    // strftime gives +0800; ISO 8601's extended form is +08:00.
    if (iso.size() >= 5)
        iso.insert(iso.size() - 2, ":");
    return iso;
}

std::string listingText(const RemoteDisk::Listing& listing, const ListingFormat& format) {
    if (format.json) {
        auto entries = nlohmann::json::array();
        for (const auto& folder : listing.folders) {
            entries.push_back({{"name", folder.name},
                               {"type", "folder"},
                               {"time", isoTime(folder.time)},
                               {"id", folder.id},
                               {"protected", isProtected(folder.ispwd)}});
        }
        for (const auto& file : listing.files) {
            entries.push_back({{"name", file.name + file.ext},
                               {"type", "file"},
                               {"size", bytesOf(file.size)},
                               {"time", isoTime(file.time)},
                               {"id", file.id},
                               {"protected", isProtected(file.ispwd)}});
        }
        // Names that are not UTF-8 are replaced rather than failing the whole listing.
        return entries.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
    }
    // Names come from the service: no control byte of theirs reaches the terminal.
    std::string text;
    for (const auto& folder : listing.folders) {
        text += forTerminal(folder.name) + "/\t-\t" + forTerminal(isoTime(folder.time)) +
                "\tid=" + forTerminal(folder.id) + "\n";
    }
    for (const auto& file : listing.files) {
        const auto bytes = bytesOf(file.size);
        text += forTerminal(file.name + file.ext) + "\t" +
                (format.bytes ? std::to_string(bytes) : byteText(static_cast<double>(bytes))) +
                "\t" + forTerminal(isoTime(file.time)) + "\tid=" + forTerminal(file.id) + "\n";
    }
    return text;
}

}  // namespace nubexa::cli

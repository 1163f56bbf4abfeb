#include "ftp/passive_address.h"

#include <array>
#include <cctype>

namespace nubexa {

namespace {

bool isDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// Six numbers "a,b,c,d,e,f" at `text`'s start (blanks allowed around each number).
std::optional<std::array<int, 6>> readSixNumbers(const std::string& text, std::size_t at) {
    std::array<int, 6> numbers{};
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        while (at < text.size() && text[at] == ' ')
            ++at;
        if (at >= text.size() || !isDigit(text[at]))
            return std::nullopt;
        int value = 0;
        int digits = 0;
        while (at < text.size() && isDigit(text[at])) {
            value = value * 10 + (text[at] - '0');
            if (++digits > 3)
                return std::nullopt;
            ++at;
        }
        if (value > 255)
            return std::nullopt;
        numbers[i] = value;
        while (at < text.size() && text[at] == ' ')
            ++at;
        if (i + 1 < numbers.size()) {
            if (at >= text.size() || text[at] != ',')
                return std::nullopt;
            ++at;
        }
    }
    return numbers;
}

std::optional<PassiveAddress> toAddress(const std::array<int, 6>& n) {
    PassiveAddress address;
    address.host = std::to_string(n[0]) + "." + std::to_string(n[1]) + "." + std::to_string(n[2]) +
                   "." + std::to_string(n[3]);
    address.port = static_cast<std::uint16_t>(n[4] * 256 + n[5]);
    if (address.port == 0)
        return std::nullopt;
    return address;
}

}  // namespace

std::optional<PassiveAddress> parsePassiveReply(const std::string& reply) {
    const auto open = reply.rfind('(');
    const auto close = reply.rfind(')');
    if (open != std::string::npos && close != std::string::npos && open < close) {
        const auto numbers = readSixNumbers(reply.substr(open + 1, close - open - 1), 0);
        return numbers ? toAddress(*numbers) : std::nullopt;
    }
    // No parentheses: the first run of six numbers after the reply code.
    for (std::size_t at = reply.size() > 3 ? 3 : reply.size(); at < reply.size(); ++at) {
        if (!isDigit(reply[at]) || (at > 0 && isDigit(reply[at - 1])))
            continue;
        if (const auto numbers = readSixNumbers(reply, at))
            return toAddress(*numbers);
    }
    return std::nullopt;
}

std::optional<std::uint16_t> parseExtendedPassiveReply(const std::string& reply) {
    const auto open = reply.rfind('(');
    const auto close = reply.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open + 6)
        return std::nullopt;
    const std::string inner = reply.substr(open + 1, close - open - 1);
    const char delimiter = inner[0];
    if (delimiter < 33 || delimiter > 126 || isDigit(delimiter) || inner[1] != delimiter ||
        inner[2] != delimiter || inner.back() != delimiter)
        return std::nullopt;
    const std::string digits = inner.substr(3, inner.size() - 4);
    if (digits.empty() || digits.size() > 5)
        return std::nullopt;
    unsigned port = 0;
    for (const char c : digits) {
        if (!isDigit(c))
            return std::nullopt;
        port = port * 10 + static_cast<unsigned>(c - '0');
    }
    if (port == 0 || port > 65535)
        return std::nullopt;
    return static_cast<std::uint16_t>(port);
}

std::optional<std::uint16_t> passivePort(const std::string& reply) {
    if (const auto port = parseExtendedPassiveReply(reply))
        return port;
    if (const auto address = parsePassiveReply(reply))
        return address->port;
    return std::nullopt;
}

}  // namespace nubexa

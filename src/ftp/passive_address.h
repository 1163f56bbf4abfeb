#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace nubexa {

// The data address of a passive-mode reply ("227 Entering Passive Mode (h1,h2,h3,h4,p1,p2)").
struct PassiveAddress {
    std::string host;        // "h1.h2.h3.h4"
    std::uint16_t port = 0;  // p1 * 256 + p2
};

// Reads the six numbers between the last "(" and the last ")" of the reply; a reply without
// parentheses is searched for the first six comma-separated numbers after its code. Empty when
// there are not six numbers of 0 to 255, or the port is 0.
std::optional<PassiveAddress> parsePassiveReply(const std::string& reply);

// The port of an extended passive reply ("229 Entering Extended Passive Mode (|||6446|)"): the
// number between the third and the fourth delimiter inside the last "(" ... ")". Empty when the
// form does not hold or the port is 0.
std::optional<std::uint16_t> parseExtendedPassiveReply(const std::string& reply);

// The data port of either passive reply; the host is never taken from the reply.
std::optional<std::uint16_t> passivePort(const std::string& reply);

}  // namespace nubexa

#pragma once

#include <string>
#include <string_view>

namespace nubexa {

// Small shared helpers of the web client. Stateless and safe on any thread.
class Common {
public:
    // MD5 of the bytes of `text` as 32 upper-case hex characters, first byte first, high
    // nibble first. Empty only when the digest itself cannot be computed.
    static std::string digest(std::string_view text);

    // The current local time as "%d-%d-%d %d:%d:%d" (year, month, day, hour, minute, second,
    // numbers without leading zeros): the date stamp stored at sign-in.
    static std::string localTimeText();
};

}  // namespace nubexa

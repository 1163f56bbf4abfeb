// A request head as any program on this machine could send it to the player's endpoint,
// through the head parser and the Range reader: a range chosen always lies within the file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "preview/http_range.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace nubexa;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto head = parseRequestHead(text);
    if (!head)
        return 0;
    for (const std::int64_t fileSize : {std::int64_t{0}, std::int64_t{1}, std::int64_t{1} << 40}) {
        const RangeChoice choice = chooseRange(head->range, fileSize);
        if (choice.kind == RangeChoice::Kind::kPart &&
            (choice.first < 0 || choice.last < choice.first || choice.last >= fileSize))
            std::abort();
        if (choice.kind == RangeChoice::Kind::kWhole &&
            (choice.first != 0 || choice.last != fileSize - 1))
            std::abort();
    }
    return 0;
}

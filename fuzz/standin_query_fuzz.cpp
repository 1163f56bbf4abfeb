// Request targets as any web client could send them to the stand-in, through the raw query
// reader that every API call and signature check starts from.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "standin/web/raw_query.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace nubexa::standin;
    const std::string_view target(reinterpret_cast<const char*>(data), size);
    const std::string_view query = queryOfTarget(target);
    const RawQuery parsed(query);
    std::size_t pieces = 1;
    for (const char c : query)
        pieces += c == '&' ? 1 : 0;
    if (parsed.size() > pieces)
        std::abort();
    // Decoding never grows a value; the signed text is made of the raw values only.
    for (const char* key : {"uid", "token", "sign", "name", "keyword", "", "a"}) {
        const std::string raw = parsed.raw(key);
        if (parsed.decoded(key).size() > raw.size() || (!parsed.has(key) && !raw.empty()))
            std::abort();
    }
    if (parsed.signedText().size() > query.size())
        std::abort();
    return 0;
}

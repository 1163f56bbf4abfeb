// Control-connection bytes as a hostile or broken server could send them, through the reply
// framer and the passive-address reader.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "ftp/passive_address.h"
#include "ftp/reply_framer.h"

namespace {

using namespace nubexa;

std::vector<std::string> frame(std::string_view bytes, std::size_t piece, std::string& partial) {
    ReplyFramer framer;
    std::vector<std::string> replies;
    for (std::size_t at = 0; at < bytes.size(); at += piece) {
        framer.feed(bytes.substr(at, piece));
        while (auto reply = framer.takeReply())
            replies.push_back(std::move(*reply));
    }
    partial = framer.takePartial();
    return replies;
}

void checkAddress(const std::string& reply) {
    const auto address = parsePassiveReply(reply);
    if (address && address->port == 0)
        std::abort();  // port 0 is never an answer
    replyCode(reply);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    // The first byte sets how the bytes arrive: the framing must not depend on it.
    const std::size_t piece = data[0] % 17 + 1;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);

    std::string whole;
    std::string pieces;
    const auto atOnce = frame(bytes, bytes.size() + 1, whole);
    const auto inPieces = frame(bytes, piece, pieces);
    if (atOnce != inPieces || whole != pieces)
        std::abort();
    for (const auto& reply : atOnce) {
        if (reply.size() > ReplyFramer::kMaxReplyBytes)
            std::abort();
        checkAddress(reply);
    }
    checkAddress(whole);
    checkAddress(std::string(bytes));
    return 0;
}

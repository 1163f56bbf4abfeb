#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

namespace nubexa {

// Cuts the bytes of an FTP control connection into replies as RFC 959 frames them: a reply is
// one line "ddd text", or a first line "ddd-text" followed by any lines up to and including the
// first line that begins with the same "ddd ". A first line that is not "ddd-" (garbage, an HTTP
// answer) is a reply of its own. Bytes after a reply stay for the next one.
// Not thread-safe; one framer per control connection.
class ReplyFramer {
public:
    // Longest reply text kept; the rest of an oversized reply is framed but dropped, so that a
    // hostile server cannot make the client hold unbounded text.
    static constexpr std::size_t kMaxReplyBytes = 64 * 1024;

    void feed(std::string_view bytes);

    // The next complete reply, with its line ends, if one has arrived.
    std::optional<std::string> takeReply();

    // Whatever arrived of an incomplete reply (a reply whose time limit passed); the framer
    // starts afresh with the next byte.
    std::string takePartial();

    // Whether any byte arrived that no taken reply accounted for.
    bool holdsBytes() const { return !m_ready.empty() || !m_reply.empty() || !m_lineHead.empty(); }

private:
    void endLine();
    void completeReply();

    std::deque<std::string> m_ready;
    std::string m_reply;      // the reply being assembled, at most kMaxReplyBytes
    std::string m_lineHead;   // the first four bytes of the current line
    std::string m_multiCode;  // "ddd" while inside a multi-line reply
};

// The first three characters of a reply ("" when it is shorter).
std::string replyCode(const std::string& reply);

}  // namespace nubexa

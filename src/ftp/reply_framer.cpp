#include "ftp/reply_framer.h"

#include <cctype>
#include <utility>

namespace nubexa {

namespace {

bool isCodeDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

bool startsWithCode(const std::string& head) {
    return head.size() >= 3 && isCodeDigit(head[0]) && isCodeDigit(head[1]) && isCodeDigit(head[2]);
}

}  // namespace

void ReplyFramer::feed(std::string_view bytes) {
    for (const char c : bytes) {
        if (m_lineHead.size() < 4)
            m_lineHead.push_back(c);
        if (m_reply.size() < kMaxReplyBytes)
            m_reply.push_back(c);
        if (c == '\n')
            endLine();
    }
}

void ReplyFramer::endLine() {
    const std::string head = std::exchange(m_lineHead, {});
    if (m_multiCode.empty()) {
        if (startsWithCode(head) && head.size() == 4 && head[3] == '-') {
            m_multiCode = head.substr(0, 3);
            return;
        }
        completeReply();
        return;
    }
    // The last line of a multi-line reply: the same code and a blank (or nothing after it).
    if (head.compare(0, 3, m_multiCode) == 0 && head.size() == 4 &&
        (head[3] == ' ' || head[3] == '\r' || head[3] == '\n')) {
        completeReply();
    }
}

void ReplyFramer::completeReply() {
    m_ready.push_back(std::exchange(m_reply, {}));
    m_multiCode.clear();
}

std::optional<std::string> ReplyFramer::takeReply() {
    if (m_ready.empty())
        return std::nullopt;
    std::string reply = std::move(m_ready.front());
    m_ready.pop_front();
    return reply;
}

std::string ReplyFramer::takePartial() {
    if (auto reply = takeReply())
        return *reply;
    m_lineHead.clear();
    m_multiCode.clear();
    return std::exchange(m_reply, {});
}

std::string replyCode(const std::string& reply) {
    return reply.size() < 3 ? std::string() : reply.substr(0, 3);
}

}  // namespace nubexa

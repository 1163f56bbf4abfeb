#pragma once

#include <cstdint>

namespace nubexa::test {

// A loopback port that refuses every connection for as long as the object lives: the socket is
// bound but never listens, so no other test can take the port meanwhile (a port bound and
// released at once may be handed to the next server that asks for one).
class RefusingPort {
public:
    RefusingPort();
    ~RefusingPort();
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;

    std::uint16_t port() const { return m_port; }

private:
    int m_fd = -1;
    std::uint16_t m_port = 0;
};

}  // namespace nubexa::test

#include "support/refusing_port.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace nubexa::test {

RefusingPort::RefusingPort() {
    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (m_fd >= 0)
            ::close(m_fd);
        throw std::runtime_error("cannot bind a loopback port");
    }
    m_port = ntohs(address.sin_port);
}

RefusingPort::~RefusingPort() {
    ::close(m_fd);
}

}  // namespace nubexa::test

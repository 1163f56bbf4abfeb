#pragma once

#include <cstdint>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace nubexa::test {

// A loopback port of the test's own that passes connections on to a server's port. A server can
// then go away and come back on other ports while its clients keep one address: nothing has to
// rebind a port that another test may have taken meanwhile. Any thread may call; one thread
// relays, and the destructor stops it.
class PortRelay {
public:
    explicit PortRelay(std::uint16_t target);
    ~PortRelay();
    PortRelay(const PortRelay&) = delete;
    PortRelay& operator=(const PortRelay&) = delete;

    std::uint16_t port() const { return m_port; }

    // Where new connections go from now on; 0 cuts the open ones and closes every new one at
    // once, as a server that is gone.
    void setTarget(std::uint16_t target);

private:
    void relay();
    void accept();
    void closeAll();

    int m_listener = -1;
    int m_wake[2] = {-1, -1};
    std::uint16_t m_port = 0;
    std::mutex m_mutex;
    std::uint16_t m_target = 0;                // guarded by m_mutex
    bool m_cut = false;                        // guarded by m_mutex: close the open pairs
    bool m_stopping = false;                   // guarded by m_mutex
    std::vector<std::pair<int, int>> m_pairs;  // client, server; relay thread only
    std::thread m_thread;
};

}  // namespace nubexa::test

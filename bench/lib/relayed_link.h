#pragma once

#include <QProcess>
#include <string>
#include <vector>

namespace nubexa::bench {

// bench/lib/link_relay.py between a benchmark and a stand-in on 127.0.0.1: it listens on
// 127.0.0.2 at the same ports and delays every byte by half `roundTripMs` each way. The
// stand-in hands out 127.0.0.2 (its public host) and takes passive ports from
// `passiveLow`..`passiveHigh`, so that every connection of the client crosses the link. The
// relay stops with this object.
class RelayedLink {
public:
    // A passive port range of 200 ports the relay may listen on; random, so that two
    // benchmarks at once rarely meet.
    static std::pair<int, int> passiveRange();
    static constexpr const char* kHost = "127.0.0.2";

    RelayedLink(const std::vector<int>& ports, std::pair<int, int> passive, double roundTripMs);
    ~RelayedLink();
    RelayedLink(const RelayedLink&) = delete;
    RelayedLink& operator=(const RelayedLink&) = delete;

    // False, with the relay's words on standard error, when it did not start.
    bool ready() const { return m_ready; }

private:
    QProcess m_relay;
    bool m_ready = false;
};

}  // namespace nubexa::bench

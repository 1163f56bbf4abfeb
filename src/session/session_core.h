#pragma once

#include "session/client_session.h"

namespace nubexa {

class StoreGate;
class ServiceClient;
class TransferManager;
class TransferMonitor;
class TransferQueue;

// The core's parts behind a ClientSession, for the session's own code: the queue runs, the sync
// rounds, the command line's requests, and the session's tests. A front end never includes this
// (tests/session/front_end_includes.cmake refuses it there): it asks the session.
class SessionCore {
public:
    static StoreGate& gate(ClientSession& session) { return *session.m_gate; }
    static ServiceClient& service(ClientSession& session) { return *session.m_service; }
    // After startTransfers.
    static TransferManager& manager(ClientSession& session) { return *session.m_manager; }
    static TransferQueue& queue(ClientSession& session) { return *session.m_queue; }
    static TransferMonitor& monitor(ClientSession& session) { return *session.m_monitor; }
};

}  // namespace nubexa

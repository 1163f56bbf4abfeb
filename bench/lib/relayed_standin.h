#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "relayed_link.h"
#include "session/client_session.h"
#include "standin/standin_service.h"
#include "transfer/transfer_view.h"

namespace nubexa::bench {

// The stand-in with its demo data in `work`/data on loopback, handing out the relay's host and
// a passive port range of its own, so that a session made with config() crosses whatever link
// runs (see RelayedLink). Stops when destroyed.
class RelayedStandin {
public:
    explicit RelayedStandin(const std::string& work);
    ~RelayedStandin();

    // False when the stand-in did not start (said on standard error).
    bool started() const { return m_service != nullptr; }
    // A link at `roundTripMs` in front of the stand-in; one at a time.
    std::unique_ptr<RelayedLink> link(double roundTripMs) const;
    // A session's configuration for it, with files named after `name` in the work folder.
    SessionConfig config(const std::string& name) const;
    // How many lines of the service's log so far contain `part` (" USER ", " RETR ").
    int logged(const std::string& part) const;

private:
    struct Log {
        mutable std::mutex mutex;
        std::vector<std::string> lines;  // guarded by mutex
    };
    std::string m_work;
    std::pair<int, int> m_passive;
    std::shared_ptr<Log> m_log = std::make_shared<Log>();
    std::unique_ptr<standin::StandinService> m_service;
};

// Signs the demo user in, takes the queue and starts the transfers (which the small-file job
// and the media streams use too) with `view`, which outlives the session's transfers.
bool signInDemo(ClientSession& session, const std::string& work, TransferView& view);

// Uploads the local files into a new disk folder `folderName` through the queue of a session
// signed in with signInDemo; the folder's id, or empty when it could not be made or not every
// file arrived.
std::string uploadInto(ClientSession& session, const std::string& work, TransferView& view,
                       const std::vector<std::string>& files, const std::string& folderName);

}  // namespace nubexa::bench

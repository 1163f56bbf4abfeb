#pragma once

#include <cstdint>
#include <string>

#include "store/direction.h"

namespace nubexa {

class LocalStore;
class TransferManager;
class TransferView;

// The periodic step that keeps the queue moving: sums the speeds into the status text, starts
// the next waiting upload and the next waiting download while fewer than two of that direction
// are live. (The transfer pages follow the pushed changes, not this.) Called on the
// user-interface thread by the main window's timer (every 3 s) and by the command-line companion's run loop.
class TransferMonitor {
public:
    // What one tick did.
    struct Tick {
        std::string statusText;
        std::int64_t startedUpload = 0;  // 0: none
        std::int64_t startedDownload = 0;
    };

    TransferMonitor(TransferManager& manager, TransferView& view)
        : m_manager(manager), m_view(view) {}

    // MonitorTick. Does nothing while no user is signed in. While workers fail to sign in to
    // the file server, starts nothing until the back-off has passed.
    Tick MonitorTick();

    // Whether the user has a waiting task the monitor would start now (not paused, not held
    // from an earlier session, not waiting out a failure back-off).
    bool anythingWaiting();

    const std::string& statusText() const { return m_statusText; }

private:
    std::int64_t startNext(Direction direction);

    TransferManager& m_manager;
    TransferView& m_view;
    std::string m_statusText = "上传：0 KB/S 下载：0 KB/S";
};

}  // namespace nubexa

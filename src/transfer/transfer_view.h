#pragma once

#include <cstdint>
#include <string>

#include "store/direction.h"

namespace nubexa {

// The monitor's summed speeds (KB/s, as the transfer list words them) and whether a limit holds
// each direction back.
struct SpeedStatus {
    std::string upload = "0";
    std::string download = "0";
    bool uploadLimited = false;
    bool downloadLimited = false;
};

// The parts of the main window the queue and the monitor change. Called on the user-interface
// thread only (the queue and the monitor run there); workers never call it.
class TransferView {
public:
    virtual ~TransferView() = default;

    // The status-bar text of the monitor ("上传：… KB/S 下载：… KB/S").
    virtual void showStatusText(const std::string& text) = 0;
    // The monitor's speeds: a window words them in its own language; by default the status-bar
    // text of speedStatusText.
    virtual void showSpeeds(const SpeedStatus& speeds);
    // After a single file was queued: page 6 ("正在上传") or page 7 ("正在下载"), list refilled.
    virtual void showUploadingPage() = 0;
    virtual void showDownloadingPage() = 0;
    // After a folder upload: the page being shown is refilled, no page switch.
    virtual void refreshShownPage() = 0;
};

// For front ends without a window.
class NoTransferView : public TransferView {
public:
    void showStatusText(const std::string&) override {}
    void showUploadingPage() override {}
    void showDownloadingPage() override {}
    void refreshShownPage() override {}
};

// How one worker's run ended.
struct WorkerReport {
    enum class Outcome {
        kNotRun,             // the row was not there or not running when the worker loaded it
        kSignInFailed,       // four FTP sign-ins failed; the task waits again
        kCompleted,          // upload registered (status 100) or download whole (100 percent)
        kStopped,            // the row was paused or deleted, or every transfer was stopped
        kFailed,             // the run ended unfinished; the task waits again
        kHeldAfterFailures,  // failed once too often in a row: waits out a back-off
        kRefused,            // refused for a reason a retry cannot change: waits for the user
    };
    std::int64_t taskId = 0;
    Direction direction = Direction::kUpload;
    Outcome outcome = Outcome::kNotRun;
    std::string fileName;       // local_file_name
    std::int64_t fileSize = 0;  // the whole file's bytes, once the task was loaded
    // kRefused: why, in the service's or the system's words; kSignInFailed: the file server's
    // refusal or the certificate's problem, empty when no server answered; kFailed and
    // kHeldAfterFailures: the network's failure, as the user hears it.
    std::string reason;
};

// Hears of workers' ends and of the avatar. Called on the worker's own thread: implementations
// must be thread-safe and quick (the GUI forwards to its thread).
class TransferListener {
public:
    virtual ~TransferListener() = default;
    virtual void workerEnded(const WorkerReport& report) = 0;
    // The avatar picture is at `fullPath`.
    virtual void avatarReady(const std::string& fullPath) = 0;
    // A worker thread ended and no longer counts as live. Called under the workers' lock: a
    // wake-up of whoever waits for the end of the run belongs here, nothing more.
    virtual void workerThreadEnded() {}
    // A worker signed in to the file server `host` in clear text: it refused TLS although
    // nubexa.ini asks for it where offered (ftp_tls = auto). Any worker thread.
    virtual void fileServerInClear(const std::string& /*host*/) {}
};

}  // namespace nubexa

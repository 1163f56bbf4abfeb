#pragma once

#include <QObject>
#include <QString>
#include <functional>

#include "transfer/transfer_view.h"

namespace nubexa::app {

// The one way from other threads to the GUI thread. Workers call post() or the listener
// methods from any thread; the work runs later on the GUI thread, in the order posted.
// Lives on the GUI thread as long as any thread may post (CMainWnd owns it and stops every
// thread before it ends).
class GuiBridge : public QObject, public TransferListener {
    Q_OBJECT
public:
    explicit GuiBridge(QObject* parent = nullptr);

    // Any thread: runs `work` on the GUI thread. From the GUI thread too it runs later, never
    // inside the caller.
    void post(std::function<void()> work);

    // TransferListener, on worker threads.
    void workerEnded(const WorkerReport& report) override;
    void avatarReady(const std::string& fullPath) override;
    void fileServerInClear(const std::string& host) override;

signals:
    // Emitted on the GUI thread.
    void transferEnded(const nubexa::WorkerReport& report);
    void avatarArrived(const QString& fullPath);
    void fileServerInClearSeen(const QString& host);
};

}  // namespace nubexa::app

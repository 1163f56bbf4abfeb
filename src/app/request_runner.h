#pragma once

#include <QObject>
#include <QPointer>
#include <QThreadPool>
#include <functional>

#include "app/gui_bridge.h"

namespace nubexa::app {

// Runs the blocking core calls a window asks for (web requests, store work) on a thread of its
// own, and applies each result on the GUI thread through the bridge. A result whose receiver
// has been destroyed in the meantime is dropped.
class RequestRunner {
public:
    explicit RequestRunner(GuiBridge& bridge);
    ~RequestRunner();  // waits for every job
    RequestRunner(const RequestRunner&) = delete;
    RequestRunner& operator=(const RequestRunner&) = delete;

    // GUI thread. `work` runs elsewhere; `apply(result)` later on the GUI thread.
    template <typename Result>
    void run(QObject* receiver, std::function<Result()> work, std::function<void(Result)> apply) {
        QPointer<QObject> guard(receiver);
        m_pool.start([this, guard, work, apply] {
            Result result = work();
            m_bridge.post([guard, apply, result] {
                if (guard)
                    apply(result);
            });
        });
    }

    // Waits until every job has run its work (their results may still be queued).
    void waitForAll() { m_pool.waitForDone(); }

private:
    GuiBridge& m_bridge;
    QThreadPool m_pool;
};

}  // namespace nubexa::app
